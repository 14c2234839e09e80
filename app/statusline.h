#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

// The scrolling message in the swatch's lower strip. Each tick of Timer2 picks
// the message of the running exercise, moves the scroll counter on by one and
// shows the message rotated to the left by the counter. The counter belongs to
// the window and is never reset when the exercise changes, so a new message
// starts at the current scroll position.
namespace statusline {

// The trailing spaces are the gap between the end of a message and its next
// start while it scrolls.
inline constexpr std::u16string_view kAutoPlay = u" 自动播放!请认真辨别!            ";
inline constexpr std::u16string_view kTest = u" 正在测试!请选择...              ";
inline constexpr std::u16string_view kMixing = u" 现在可以手动调制颜色!           ";

// The message of the first checked exercise, in the order automatic play,
// test, mixing; empty in the free mode.
QStringView message(bool zidongbofang, bool ceshi, bool shoudongpeise);

// The counter after one tick with a message of the given length: one more,
// and 0 when that equals the length. A counter that has already passed the
// length (after a switch to a shorter message) keeps counting up.
//
// Counting up without end would overflow after some 68 years of ticks. Long
// before that, a large counter is taken back by a whole number of periods of
// every message length, staying above every length: the rotation of every
// message and the equality test come out exactly as with the unbounded count.
int nextCounter(int counter, int length);

// The message rotated to the left so that it begins with its character number
// (counter mod L), counted from 1, where 0 stands for the last character. The
// counter is never negative. An empty message gives an empty text.
QString rotated(QStringView message, int counter);

// A counter that has reached kFoldAt is taken back by kPeriod, the least
// common multiple of the three message lengths.
inline constexpr int kPeriod = 7176;
inline constexpr int kFoldAt = 2 * kPeriod;

} // namespace statusline
