#pragma once
// Errors raised by the reference host. All carry the source "tessaline-host".

#include <cstdint>
#include <string>

namespace host {

inline constexpr const char* kErrorSource = "tessaline-host";

namespace hosterr {
inline constexpr int32_t kInjectedFailure = 50001;   // --fail-at
inline constexpr int32_t kDatabase = 50002;          // the books refused a statement
inline constexpr int32_t kLockTimeout = 50003;       // SetGlobalLock gave up waiting
inline constexpr int32_t kUnbalancedVoucher = 50004;  // voucher lines do not add up to zero
inline constexpr int32_t kUnknownClass = 50005;      // crearObjeto with a class the host lacks
inline constexpr int32_t kTransactionState = 50006;  // commit without transaction, nested start
inline constexpr int32_t kPrinting = 50007;          // a printout could not be written
inline constexpr int32_t kInvalidArgument = 50008;   // a value the host cannot accept
inline constexpr int32_t kNotFound = 50009;          // a record the call needs does not exist
inline constexpr int32_t kDocumentState = 50010;     // voucher used out of order
// Recordset errors keep the numbers an ADO client expects.
inline constexpr int32_t kNoCurrentRecord = 3021;
inline constexpr int32_t kItemNotFound = 3265;
}  // namespace hosterr

[[noreturn]] void raiseHost(int32_t number, std::string description);

}  // namespace host
