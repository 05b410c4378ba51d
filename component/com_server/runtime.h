#pragma once
// The forms runtime of a host that has none of its own: created headless on the first `go`, with
// the regional settings of the Windows user, and kept while the component is loaded. The test
// entry takes its place for the length of a script.

namespace tessaline::com_server {

// Makes sure a forms runtime exists.
void ensureRuntime();
// Drops the runtime made on first use, with its windows (nothing when there is none).
void dropRuntime();

}  // namespace tessaline::com_server
