// Ending the application from outside its message loop.
#pragma once

namespace fw {

// Ends the program at once from wherever it is, for a reason the user did not
// choose (its display went away): the application's exit processing runs as
// at the end of the session (the profile is written), then the process exits
// with code, which ends every thread and withdraws every title.
[[noreturn]] void EndApplicationNow(int code);

}  // namespace fw
