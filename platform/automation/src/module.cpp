#include "automation/module.h"

#include <cstdio>

namespace automation {

// ---- Guid

std::optional<Guid> Guid::parse(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  uint8_t bytes[16];
  size_t b = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    const int high = hex(text[i]), low = hex(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[b++] = static_cast<uint8_t>(high * 16 + low);
    i += 2;
  }
  Guid g;
  g.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
  g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

std::string Guid::toString() const {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
  return buffer;
}

// ---- Module

struct Module::Factory final : ClassFactory {
  std::function<ObjectRef()> create;
  std::shared_ptr<std::atomic<long>> live;

  ObjectRef createInstance() override {
    ObjectRef object = create();
    if (!object) return object;
    // The returned reference shares ownership with a guard that counts the object as alive.
    struct Guard {
      Guard(ObjectRef o, std::shared_ptr<std::atomic<long>> l) : object(std::move(o)), live(std::move(l)) {
        live->fetch_add(1);
      }
      ~Guard() { live->fetch_sub(1); }
      Guard(const Guard&) = delete;
      Guard& operator=(const Guard&) = delete;
      ObjectRef object;
      std::shared_ptr<std::atomic<long>> live;
    };
    auto guard = std::make_shared<Guard>(object, live);
    Object* raw = object.get();
    return ObjectRef(std::move(guard), raw);
  }
};

Module::Module(TypeLibInfo typeLib) : typeLib_(std::move(typeLib)) {}

Module& Module::addClass(const Guid& clsid, std::function<ObjectRef()> create) {
  auto factory = std::make_shared<Factory>();
  factory->create = std::move(create);
  factory->live = live_;
  factories_.emplace_back(clsid, std::move(factory));
  return *this;
}

int32_t Module::getClassObject(const Guid* clsid, ClassFactory** out) const {
  if (out == nullptr) return kClassNotAvailable;
  *out = nullptr;
  if (clsid == nullptr) return kClassNotAvailable;
  for (const auto& [id, factory] : factories_) {
    if (id == *clsid) {
      *out = factory.get();
      return kOk;
    }
  }
  return kClassNotAvailable;
}

}  // namespace automation
