#pragma once

namespace ks {

// How many of a pack's wallpapers are favourites, as the pack browser shows it.
enum class PackFavoriteState { none, partial, all };

} // namespace ks
