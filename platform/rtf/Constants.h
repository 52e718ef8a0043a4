#pragma once

#include "base/Layout.h"

// Units and characters that the reader, the writer and the exact-text
// functions share.
namespace quenzal::rtf {

using quenzal::kTwipsPerPixel;

// Word's largest font size, 1638 points, in the half points of \fs.
inline constexpr int kMaxHalfPoints = 3276;

// A line break inside a paragraph: \line, and Shift+Enter in a text area.
inline constexpr char16_t kLineSeparator = 0x2028;
inline constexpr char16_t kParagraphSeparator = 0x2029;
inline constexpr char16_t kBeginningOfFrame = 0xFDD0;
inline constexpr char16_t kEndOfFrame = 0xFDD1;
inline constexpr char16_t kZeroWidthSpace = 0x200B;
// The character that stands for a picture in a document.
inline constexpr char16_t kObjectReplacement = 0xFFFC;

// The characters at which QTextDocument starts a new block when text is
// inserted (CR LF counting as one).
constexpr bool isBlockBreak(char16_t ch)
{
    return ch == u'\r' || ch == u'\n' || ch == kParagraphSeparator || ch == kBeginningOfFrame ||
           ch == kEndOfFrame;
}

} // namespace quenzal::rtf
