// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mml/LoopListU.h"

#include "compiler/CompilerMessages.h"

void TLoopList::Open(size_t position) { Items.push_back(TLoopListItem{1, position, std::nullopt}); }

bool TLoopList::Break(size_t& position) {
  if (Items.empty()) {
    Message = kMsgNoOpenLoop;
    return false;
  }
  const TLoopListItem& loop = Items.back();
  if (loop.Exit && loop.Remaining < 1) {
    position = *loop.Exit;
    Items.pop_back();
  }
  return true;
}

bool TLoopList::Close(size_t& position, int count) {
  if (Items.empty()) {
    Message = kMsgNoOpenLoop;
    return false;
  }
  TLoopListItem& loop = Items.back();
  if (!loop.Exit) {
    loop.Remaining = count - 1;
    loop.Exit = position;
  }
  if (loop.Remaining < 1) {
    Items.pop_back();
  } else {
    --loop.Remaining;
    position = loop.Start;
  }
  return true;
}
