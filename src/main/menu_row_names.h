#pragma once

#include "main/status_menu.h"

#include <QString>

#include <cstddef>

namespace ks {

// How many rows StatusMenu has, the banner included; the quit row comes last.
inline constexpr std::size_t kMenuRowCount = static_cast<std::size_t>(MenuRowID::quit) + 1;

// The object name of a row's view or action: "menuRow_next" and the like.
QString menuRowObjectName(MenuRowID id);

} // namespace ks
