// The application object: start-up, single instance, free-disk check, exit.
#pragma once

#include "framework/app.h"

class CBookApp : public CWinApp {
 public:
  CBookApp();
  BOOL InitInstance() override;
  int ExitInstance() override;

  HICON m_hIcon = nullptr;
};
