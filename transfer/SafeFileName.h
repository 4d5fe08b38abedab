#pragma once

#include <string>
#include <string_view>

namespace nimbo {

// What an offered file name becomes when nothing of it is left to use.
inline constexpr char16_t SAFE_FILE_NAME[] = u"received-file";

// The name under which an offered file may be stored in the folder the
// receiver chose: only the part after the last "/" or "\", and
// SAFE_FILE_NAME when that is empty, "." or "..". So no offered name can
// lead outside the folder.
std::u16string SafeFileName(std::u16string_view offered);

}  // namespace nimbo
