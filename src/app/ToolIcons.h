// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

/// The pictures of the tool bar buttons.
enum class TToolIcon { New, Open, Save, Undo, Redo, Cut, Copy, Paste, Play, Stop };

/// The icon painted for a tool bar button (no icon theme is needed).
QIcon MakeToolIcon(TToolIcon kind);
