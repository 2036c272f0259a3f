#pragma once
// Ctrl-C, SIGTERM and SIGHUP, or the console closing on Windows, end a tool's run the way a
// failure does: every step that takes long looks at Interrupted() and fails, so the partial
// output and the scratch folder are removed on the failure's own way out, and a program the
// tool runs is ended. A second interruption ends the tool at once.
namespace kitbag {

// From now on an interruption is caught instead of ending the process.
void CatchInterruptions();
// Whether one has come.
bool Interrupted();
// What a step that stopped for it gives as its reason.
constexpr const char* kInterruptedReason = "interrupted";
// Ends the process as the interruption would have, once the run has cleaned up: by the same
// signal, or on Windows with the console's exit code.
[[noreturn]] void EndAsInterrupted();

} // namespace kitbag
