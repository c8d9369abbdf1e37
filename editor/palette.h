// The editor's colours.
#pragma once

#include "toolkit/cgeometry.h"

namespace kaveo_palette {
inline constexpr VSTGUI::CColor dark_blue{47, 69, 130, 0};
inline constexpr VSTGUI::CColor blue_grey{47, 79, 130, 0};  // slot numbers on black keys
inline constexpr VSTGUI::CColor light_blue{211, 230, 250, 0};
inline constexpr VSTGUI::CColor dark_red{170, 0, 0, 0};
inline constexpr VSTGUI::CColor black{0, 0, 0, 0};
}  // namespace kaveo_palette
