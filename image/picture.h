// A picture loaded from a file, of one of the library's formats.
#pragma once

#include <string>

#include "framework/object.h"
#include "framework/wintypes.h"

class CDC;
class CPalette;
class CImageImpl;

// Image type codes.
constexpr int IMAGE_UNKNOWN = -1;
constexpr int IMAGE_BMP = 0;
constexpr int IMAGE_JPG = 1;
constexpr int IMAGE_GIF = 2;
constexpr int IMAGE_XPM = 3;
constexpr int IMAGE_PNG = 4;

// The text after the last '.' of name; empty when there is none.
std::string FindExtension(const std::string& name);
// The type code of an extension ("PNG", "png", ...), IMAGE_UNKNOWN for others.
int LookupImageType(const std::string& extension);

class CPicture : public CObject {
 public:
  // Loads name with the given type (IMAGE_UNKNOWN: by the name's extension). A
  // file that cannot be read gives a picture that draws nothing.
  CPicture(const std::string& name, int type);
  // A picture without a handler, to be made with Create.
  CPicture();
  ~CPicture() override;

  virtual int GetRowBytes();
  virtual int GetWidth();
  virtual int GetHeight();
  virtual int GetBitsPerPixel();
  virtual int GetColorType();
  virtual BOOL IsInside(int x, int y);
  // Without a handler, makes a BMP one with an empty name first.
  virtual int Create(int width, int height, int bitsPerPixel, int colorType);
  virtual BOOL CreateImpl(const std::string& name, int& type);
  virtual BOOL Draw(CDC* dc, int x, int y, int width = -1, int height = -1, int xSrc = 0,
                    int ySrc = 0);
  virtual BOOL StretchDraw(CDC* dc, int x, int y, int width = -1, int height = -1, int xSrc = 0,
                           int ySrc = 0, int srcWidth = -1, int srcHeight = -1);
  virtual int GetPixelIndex(int x, int y);
  virtual BOOL GetPixelRGB(int x, int y, BYTE& red, BYTE& green, BYTE& blue);
  virtual BOOL SetPixelIndex(int x, int y, int index);
  virtual BOOL SetPixelRGB(int x, int y, BYTE red, BYTE green, BYTE blue);
  virtual BOOL SetPalette(int count, const BYTE* red, const BYTE* green, const BYTE* blue);
  virtual BOOL SetPalette(int count, const BYTE* rgbTriples);
  virtual BOOL SetPalette(CPalette* palette);
  virtual CPalette* GetPalette();
  virtual BOOL IsValid();
  virtual CImageImpl* GetImpl();
  virtual BYTE* GetBits();

  BOOL Load(const std::string& name, int type);

  int m_nType = IMAGE_UNKNOWN;
  std::string m_strFileName;
  CImageImpl* m_pImpl = nullptr;
};
