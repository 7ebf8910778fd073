#include "resources/resources.h"

#include "framework/resources.h"
#include "resources/cursor_pictures.h"
#include "resources/icon_pictures.h"

namespace resources {

fw::DialogTemplate StartDialogTemplate();
fw::DialogTemplate AboutBoxTemplate();

void RegisterProgramResources() {
  fw::RegisterIcon(IDR_MAINFRAME, IconFromPicture(kBookIcon, 32));
  fw::RegisterIcon(fw::IDI_HAND, IconFromPicture(kStopIcon, 32));
  fw::RegisterIcon(fw::IDI_EXCLAMATION, IconFromPicture(kExclamationIcon, 32));
  fw::RegisterCursor(IDC_RUB, CursorFromPicture(kRubCursor, 10, 12));
  fw::RegisterCursor(IDC_POINT, CursorFromPicture(kPointCursor, 6, 0));
  fw::RegisterDialogTemplate(IDD_START, StartDialogTemplate());
  fw::RegisterDialogTemplate(IDD_ABOUTBOX, AboutBoxTemplate());
}

}  // namespace resources
