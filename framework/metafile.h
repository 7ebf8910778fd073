// Enhanced metafiles: a recording of drawing calls, kept in a file in the
// standard EMF layout, that can be played back into any device context.
#pragma once

#include "framework/dc.h"

namespace fw {
struct EnhMetaFileState;
}
using HENHMETAFILE = fw::EnhMetaFileState*;

// A device context that records into fileName (null: in memory only). frame
// is the picture's size in hundredths of a millimetre (null: the extent of
// what is drawn); reference (null: the screen) gives the recording's units.
// The file is written when the recording is closed.
HDC CreateEnhMetaFile(HDC reference, LPCTSTR fileName, const RECT* frame, LPCTSTR description);
// Ends the recording, writes the file and frees dc; null when the file cannot
// be written.
HENHMETAFILE CloseEnhMetaFile(HDC dc);
// Plays the picture stretched so that its frame fills rect.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
// Frees the handle; the file stays on disk.
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// EMF record types written.
constexpr DWORD EMR_HEADER = 1;
constexpr DWORD EMR_EOF = 14;
constexpr DWORD EMR_BITBLT = 76;
constexpr DWORD EMR_STRETCHBLT = 77;
constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520;
