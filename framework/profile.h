// The private profile: a real INI file, "[section]" lines followed by
// "key=value" lines. Section and key names compare without regard to case;
// comments (";" or "#") and everything not written keep their place.
#pragma once

#include <string>

namespace fw {

// Sets key in section to value, adding the section or key at its end when
// missing. The file is written whole to a temporary file in its folder and
// renamed over the old one, so it is never left half-written. False when the
// file cannot be read or written, or a name or value would not survive in an
// INI line (a line break; "=" in a key; "]" in a section; an empty name).
bool WriteProfileString(const std::string& iniPath, const std::string& section,
                        const std::string& key, const std::string& value);
bool WriteProfileInt(const std::string& iniPath, const std::string& section, const std::string& key,
                     int value);

// The value of key in section, surrounding quotes removed; fallback when the
// file, the section or the key is missing.
std::string GetProfileString(const std::string& iniPath, const std::string& section,
                             const std::string& key, const std::string& fallback);
// The decimal number at the start of the value (sign allowed, clamped to the
// range of int); fallback when there is none.
int GetProfileInt(const std::string& iniPath, const std::string& section, const std::string& key,
                  int fallback);

}  // namespace fw
