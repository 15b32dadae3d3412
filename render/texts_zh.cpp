// The Chinese texts: the game's own GBK bytes, unchanged, where they always stood.
#include <string>

#include "render/render_local.h"

namespace render {

namespace {

constexpr char kLoadingText[] =  // 数据加载中请稍后......
    "\xca\xfd\xbe\xdd\xbc\xd3\xd4\xd8\xd6\xd0\xc7\xeb\xc9\xd4\xba\xf3\x2e\x2e\x2e\x2e\x2e\x2e";
constexpr char kBestLabel[] = "\xc0\xfa\xca\xb7\xd7\xee\xb8\xdf\xb7\xd6\x3a";  // 历史最高分:
constexpr char kTimeLabel[] = "\xca\xa3\xd3\xe0\xca\xb1\xbc\xe4\x3a";          // 剩余时间:
constexpr char kWonMessage[] = "\xc4\xe3\xca\xa4\xc0\xfb\xc1\xcb\x21\x21\x21";  // 你胜利了!!!
constexpr char kLostMessage[] = "\xc4\xe3\xca\xe4\xc1\xcb\x21\x21\x21";         // 你输了!!!
static_assert(sizeof kLoadingText - 1 == 22);
static_assert(sizeof kBestLabel - 1 == 11 && sizeof kTimeLabel - 1 == 9);
static_assert(sizeof kWonMessage - 1 == 11 && sizeof kLostMessage - 1 == 9);
constexpr char kClockLabel[] = "\xd3\xc3\xca\xb1\x3a";  // 用时:

// 新纪录: 第N名
std::string ChineseNewRecord(int place) {
  return "\xd0\xc2\xbc\xcd\xc2\xbc: \xb5\xda" + std::to_string(place) + "\xc3\xfb";
}

}  // namespace

// The about screen's credits, GBK bytes of exactly 44, 28, 21 and 23 bytes.
const CreditLine kCreditLines[4] = {
    // 作者:Tessary 开发组(声音,图片和程序均为自制)
    {"\xd7\xf7\xd5\xdf\x3a\x54\x65\x73\x73\x61\x72\x79\x20\xbf\xaa\xb7\xa2\xd7\xe9\x28\xc9\xf9"
     "\xd2\xf4\x2c\xcd\xbc\xc6\xac\xba\xcd\xb3\xcc\xd0\xf2\xbe\xf9\xce\xaa\xd7\xd4\xd6\xc6\x29",
     -2.0f, 3.5f, 0.0f, 0.0f, 1.0f},
    // 当然,声音和图片都由程序生成.
    {"\xb5\xb1\xc8\xbb\x2c\xc9\xf9\xd2\xf4\xba\xcd\xcd\xbc\xc6\xac\xb6\xbc\xd3\xc9\xb3\xcc\xd0"
     "\xf2\xc9\xfa\xb3\xc9\x2e",
     -1.4f, 3.2f, 0.0f, 1.0f, 0.0f},
    // 邮箱:team@tessary.dev
    {"\xd3\xca\xcf\xe4\x3a\x74\x65\x61\x6d\x40\x74\x65\x73\x73\x61\x72\x79\x2e\x64\x65\x76",
     -1.0f, 2.9f, 1.0f, 0.0f, 0.0f},
    // 程序发布:2026年12月08号
    {"\xb3\xcc\xd0\xf2\xb7\xa2\xb2\xbc\x3a\x32\x30\x32\x36\xc4\xea\x31\x32\xd4\xc2\x30\x38\xba"
     "\xc5",
     -1.05f, 2.6f, 1.0f, 1.0f, 1.0f},
};

const Texts kChineseTexts = {
    {{kLoadingText, sizeof kLoadingText - 1}, -0.8f, -3.5f},
    {{kBestLabel, sizeof kBestLabel - 1}, -3.5f, 3.6f},
    {{kTimeLabel, sizeof kTimeLabel - 1}, -0.5f, 3.6f},
    {{kWonMessage, sizeof kWonMessage - 1}, -0.5f, 0.0f},
    {{kLostMessage, sizeof kLostMessage - 1}, -0.5f, 0.0f},
    kCreditLines,
    "\xcd\xbc\xc6\xac",  // 图片
    "\xcd\xe6\xbc\xd2",  // 玩家
    {"\xb5\xa5\xc8\xcb", "2 \xc8\xcb", "3 \xc8\xcb", "4 \xc8\xcb",  // 单人, 2 人, 3 人, 4 人
     "\xb6\xd4\xd5\xbd\xb5\xe7\xc4\xd4"},                         // 对战电脑
    "\xbe\xad\xb5\xe4",  // 经典
    {{kClockLabel, sizeof kClockLabel - 1}, 3.85f, 3.6f},
    {"\xcd\xe6\xbc\xd2 1", "\xcd\xe6\xbc\xd2 2", "\xcd\xe6\xbc\xd2 3",
     "\xcd\xe6\xbc\xd2 4"},    // 玩家 1 .. 玩家 4
    "\xb5\xe7\xc4\xd4",        // 电脑
    " \xbb\xf1\xca\xa4!",      // 获胜!
    "\xc6\xbd\xbe\xd6!",       // 平局!
    " \xb6\xd4",                 // 对
};

const RecordsTexts kChineseRecordsTexts = {
    {"\xbc\xcd\xc2\xbc", -0.15f, 3.6f},                                  // 纪录
    {"\xbc\xf2\xb5\xa5", "\xc6\xd5\xcd\xa8", "\xc0\xa7\xc4\xd1"},  // 简单 普通 困难
    "\xbb\xb9\xc3\xbb\xd3\xd0\xca\xa4\xbe\xd6",                       // 还没有胜局
    "\xbe\xd6\xca\xfd %d  \xca\xa4 %d (%d%%)",                          // 局数 N  胜 N (N%)
    "\xd7\xee\xbf\xec\xca\xa4\xbe\xd6: %d \xc3\xeb",                  // 最快胜局: N 秒
    "\xb6\xd4\xb5\xe7\xc4\xd4: %d \xbe\xd6, \xca\xa4 %d",              // 对电脑: N 局, 胜 N
    "\xb6\xe0\xc8\xcb\xb6\xd4\xd5\xbd: %d \xbe\xd6",                  // 多人对战: N 局
    "\xbc\xcd\xc2\xbc",                                                  // 纪录
    "\xc7\xb0\xca\xae\xc3\xfb",                                        // 前十名
    {"\xd4\xdd\xcd\xa3", -0.15f, 0.3f},                                  // 暂停
    // 按任意键或点击鼠标继续
    {"\xb0\xb4\xc8\xce\xd2\xe2\xbc\xfc\xbb\xf2\xb5\xe3\xbb\xf7\xca\xf3\xb1\xea\xbc\xcc\xd0\xf8",
     -0.75f, -0.1f},
    ChineseNewRecord,
};

}  // namespace render
