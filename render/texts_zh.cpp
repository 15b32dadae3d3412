// The Chinese catalogue: each text of the game by its English source string. The original
// screen's texts are exactly its own (they are drawn where they always stood).
#include "render/render_local.h"

namespace render {

namespace {

constexpr Translation kChinese[] = {
    // The original game's texts.
    {"Loading, please wait......", "数据加载中请稍后......"},
    {"Best score:", "历史最高分:"},
    {"Time left:", "剩余时间:"},
    {"You won!!!", "你胜利了!!!"},
    {"You lost!!!", "你输了!!!"},
    // The about screen's credits.
    {"By the Tessary team (sounds, pictures and program all our own)",
     "作者:Tessary 开发组(声音,图片和程序均为自制)"},
    {"Of course, the sounds and pictures are made by the program.", "当然,声音和图片都由程序生成."},
    {"Mail: team@tessary.dev", "邮箱:team@tessary.dev"},
    {"Released: 8 December 2026", "程序发布:2026年12月08号"},
    // The menu's controls (their pictures carry both languages; these name them).
    {"Help", "帮助"},
    {"About", "关于"},
    {"Exit", "退出"},
    {"Back", "返回"},
    {"Sound", "音效"},
    {"Music", "音乐"},
    {"VSync", "垂直同步"},
    // The menu's selectors.
    {"Pictures", "图片"},
    {"Players", "玩家"},
    {"1 player", "单人"},
    {"2 players", "2 人"},
    {"3 players", "3 人"},
    {"4 players", "4 人"},
    {"vs computer", "对战电脑"},
    {"Classic", "经典"},
    // Picture sets.
    {"Loading pictures %d/%d", "正在载入图片 %d/%d"},
    {"Pictures skipped: %d (see the terminal)", "%d张图片无法读取"},
    {"This set has no pictures", "没有图片"},
    {"needs %d pictures", "需要%d张图片"},
    // Playing together.
    {"Time:", "用时:"},
    {"Player %d", "玩家 %d"},
    {"Computer", "电脑"},
    {"%s wins!", "%s 获胜!"},
    {"A draw!", "平局!"},
    {"%d pairs", "%d 对"},
    // Records, pause.
    {"Records", "纪录"},
    {"Easy", "简单"},
    {"Normal", "普通"},
    {"Hard", "困难"},
    {"No wins yet", "还没有胜局"},
    {"Games %d  won %d (%d%%)", "局数 %d  胜 %d (%d%%)"},
    {"Fastest win: %d s", "最快胜局: %d 秒"},
    {"Against the computer: %d, won %d", "对电脑: %d 局, 胜 %d"},
    {"Between players: %d", "多人对战: %d 局"},
    {"Best ten", "前十名"},
    {"Paused", "暂停"},
    {"Press any key or click to go on", "按任意键或点击鼠标继续"},
    {"New record: %dst", "新纪录: 第%d名"},
    {"New record: %dnd", "新纪录: 第%d名"},
    {"New record: %drd", "新纪录: 第%d名"},
    {"New record: %dth", "新纪录: 第%d名"},
    // The classic faces.
    {"Apple", "苹果"},
    {"Star", "星星"},
    {"Fish", "鱼"},
    {"Blossom", "花"},
    {"Cat", "猫"},
    {"Clover", "四叶草"},
    {"Moon", "月亮"},
    {"Grapes", "葡萄"},
    {"Penguin", "企鹅"},
    {"Rocket", "火箭"},
};

}  // namespace

const std::span<const Translation> kChineseTranslations(kChinese);

}  // namespace render
