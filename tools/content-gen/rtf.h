// The two documents as RTF, which every word processor opens.
#pragma once

#include <string>

#include "tools/content-gen/sources.h"

namespace content {

std::string DocumentRtf(const Document& doc);

}  // namespace content
