// The program's resources: its icon, the message-box icons, the cursors of
// the stage, and the dialog templates of the start dialog and the About box.
#pragma once

namespace resources {

constexpr int IDR_MAINFRAME = 128;  // the program's icon
constexpr int IDD_START = 191;      // the start dialog
constexpr int IDD_ABOUTBOX = 100;   // the About box
constexpr int IDC_START_OK = 1025;
constexpr int IDC_START_ABOUT = 1010;
constexpr int IDC_START_CANCEL = 1026;
constexpr int IDC_RUB = 131;    // the rubbing cursor over the page
constexpr int IDC_POINT = 183;  // the pointing hand over the buttons

// Makes every resource known to the framework. Safe to call more than once.
void RegisterProgramResources();

}  // namespace resources
