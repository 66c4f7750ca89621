// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// Every fixed text of the import: the pieces of the generated MML (code page 932 bytes, all of them
// ASCII) and the messages about files that cannot be read as they are.

namespace smf2mmlU::texts {

// --- MML text ---

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kHeaderTrack = "%track0";
inline constexpr std::string_view kHeaderSystemOn = "'`GMSYSTEMON";
inline constexpr std::string_view kHeaderSync = "%sync";
inline constexpr std::string_view kHeaderOctaveReverse = "%octrev";
inline constexpr std::string_view kMuteMacroName = "$mute";
inline constexpr std::string_view kMuteMacroBody = "={@mute};  ";
inline constexpr std::string_view kBlockTrack = "%track";
inline constexpr std::string_view kBlockMute = "  $mute";
/// The default-settings line of every block, completed by the block's gate difference.
inline constexpr std::string_view kBlockDefaults = "@y2 p64 v127 x100 y0 m0 u127 o4 l16 q";

/// Note names by pitch class.
inline constexpr std::string_view kNoteNames[12] = {"c",  "c+", "d",  "d+", "e",  "f",
                                                    "f+", "g",  "g+", "a",  "a+", "b"};

inline constexpr const char* kControlChangeFormat = "h$%2.2x,%3d '";
inline constexpr std::string_view kControlNamesSection = "ControlChange";
inline constexpr std::string_view kExclusiveOpen = "z$F0,";
inline constexpr const char* kExclusiveByteFormat = "$%2.2x,";
inline constexpr std::string_view kExclusiveClose = "$F7 '";

/// Opening and closing of the meta texts of types 1 to 7 (index = type - 1).
struct TMetaQuote {
  std::string_view Open;
  std::string_view Close;
};
inline constexpr TMetaQuote kMetaQuotes[7] = {
    {"%TEXT \"", "\""},    {"%COPYRIGHT \"", "\""}, {"{%TRACKNAME \"", "\"}"}, {"{%INSTRUMENT \"", "\"}"},
    {"{%LYRIC \"", "\"}"}, {"%MARKER \"", "\""},    {"%CUEPOINT \"", "\""},
};

// --- messages (the CLI and the editor show them; file names are put in front by the caller) ---

inline constexpr const char* kMsgNotSmf = "is not a Standard MIDI File: it does not begin with \"MThd\"";
inline constexpr const char* kMsgShortHeader = "is not a Standard MIDI File: its header is cut short";
inline constexpr const char* kMsgTimeBaseZero = "declares a time base of 0 ticks per quarter note";
inline constexpr const char* kMsgSmpteTime =
    "counts time in SMPTE frames (division %04X), not in ticks per quarter note";
inline constexpr const char* kMsgCannotRead = "cannot be read";
inline constexpr const char* kMsgTextTooLong = "would give an MML text of more than %zu bytes";

inline constexpr const char* kProblemTruncated =
    "the file ends inside track chunk %d (at byte %zu); the events before that point are imported";
inline constexpr const char* kProblemMissingChunks =
    "the header declares %d track chunks, the file holds only %d";
inline constexpr const char* kProblemTooLong =
    "track chunk %d runs past tick %lld (at 48 ticks per quarter note); its later events are left out";
inline constexpr const char* kProblemLongExclusive =
    "a system-exclusive message of %u bytes at tick %lld of track chunk %d is left out "
    "(a z command holds at most 251 bytes between F0 and F7)";
inline constexpr const char* kProblemBrokenExclusive =
    "a system-exclusive message at tick %lld of track chunk %d holds a status byte and is left out";
inline constexpr const char* kProblemLongMeta =
    "the text of a meta event of type %02X (%u bytes) at tick %lld of track chunk %d is cut to 255 bytes";
inline constexpr const char* kProblemOtherChunk = "a chunk tagged \"%s\" is no track chunk and is skipped";
inline constexpr const char* kProblemMoreProblems = "and more such problems";

}  // namespace smf2mmlU::texts
