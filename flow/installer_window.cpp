#include "flow/installer_window.h"

#include <cstring>
#include <vector>

#include "runtime/byte_stream.h"
#include "ui/props/label_props.h"
#include "ui/props/pic_box_props.h"
#include "ui/props/pic_btn_props.h"
#include "ui/props/process_bar_props.h"
#include "ui/props/timer_props.h"
#include "ui/props/trans_label_props.h"
#include "ui/props/window_props.h"

namespace quill {

namespace {

const char* const kHandlerNames[] = {
#define QUILL_HANDLER(name) #name,
#include "flow/handlers.def"
#undef QUILL_HANDLER
};

constexpr int32_t kArrowCursor = 0;
// The system cursor numbers the template stores (IDC_HAND; this file is also built for the
// host, without the Windows headers).
constexpr int32_t kHandCursor = 32649;

std::string CursorBlob(int32_t value) {
    ByteWriter w;
    w.i32(value);
    return w.take();
}

struct UnitSpec {
    uint32_t id;
    const char* name;
    uint32_t type;
    int32_t left, top, width, height;
    uint32_t container;  // 0 = the window
    bool visible;
    int32_t cursor;
    std::vector<std::pair<int32_t, const char*>> events;  // event number, handler name
    std::string ownProperties;
    int32_t keyboard = 0;  // kUnitTabStop, kUnitDefault: what the keyboard reaches
};

std::string WindowOwnProperties() {
    WindowProps p;
    p.caption = "安装程序";
    p.border = 0;
    p.background = 0x00EEB875;
    p.pictureMode = 1;
    p.controlBox = 1;
    p.maxButton = 0;
    p.minButton = 0;
    p.position = 1;
    p.movable = 1;
    // Esc ends the program as the close glyph does, until an installation starts.
    p.escCloses = 1;
    p.inTaskbar = 1;
    return p.Write();
}

constexpr uint32_t kSystemColour = 0xFF000000;
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kPage1Blue = 0x00C48316;  // R 22, G 131, B 196
constexpr uint32_t kPageSky = 0x00EEB875;    // R 117, G 184, B 238
constexpr int32_t kSingleLineBorder = 5;

// A stored 60-byte LOGFONT with an empty face name, so the system picks its default face
// for the height and weight; 134 is the GB2312 character set.
std::string StoredFont(int32_t height, int32_t weight, bool underline) {
    ByteWriter w;
    w.i32(height);
    w.i32(0);  // width
    w.i32(0);  // escapement
    w.i32(0);  // orientation
    w.i32(weight);
    const char flags[8] = {0, static_cast<char>(underline ? 1 : 0), 0, static_cast<char>(134), 0, 0, 0, 0};
    w.raw(flags, sizeof(flags));  // italic, underline, strike-out, charset, precisions, quality, pitch
    w.raw(std::string(32, '\0'));  // face name
    return w.take();
}

// White text on the page's blue, left aligned, vertically centred, one line.
std::string PageLabel(const std::string& caption, const std::string& font) {
    LabelProps p;
    p.caption = caption;
    p.textColour = kWhite;
    p.background = kPage1Blue;
    p.font = font;
    p.border = 0;
    p.effect = 0;
    p.hAlign = 0;
    p.vAlign = 1;
    p.wordWrap = 0;
    return p.Write();
}

std::string TitleLabel(const std::string& caption, uint32_t colour, const std::string& font) {
    TransLabelProps p;
    p.caption = caption;
    p.textColour = colour;
    p.font = font;
    p.effect = 0;
    p.hAlign = 0;
    p.vAlign = 1;
    p.wordWrap = 0;
    return p.Write();
}

std::string Box(int32_t border, uint32_t background, std::string picture, int32_t mode) {
    PicBoxProps p;
    p.border = border;
    p.background = background;
    p.picture = std::move(picture);
    p.pictureMode = mode;
    return p.Write();
}

std::string Button(std::string normal, std::string hover = {}, std::string pressed = {}) {
    PicBtnProps p;
    p.normal = std::move(normal);
    p.hover = std::move(hover);
    p.pressed = std::move(pressed);
    return p.Write();
}

std::string ProgressBarProperties() {
    ProcessBarProps p;
    p.border = 3;  // shallow (static edge)
    p.vertical = 0;
    p.smooth = 1;
    p.minimum = 0;
    p.maximum = 100;
    p.position = 0;
    return p.Write();
}

std::string TimerProperties(int32_t period) {
    TimerProps p;
    p.period = period;
    return p.Write();
}

}  // namespace

int32_t HandlerOffset(const std::string& name, int pointerSize) {
    for (size_t i = 0; i < sizeof(kHandlerNames) / sizeof(kHandlerNames[0]); ++i)
        if (name == kHandlerNames[i]) return static_cast<int32_t>(i) * pointerSize;
    return kNoHandler;
}

namespace {

// Every unit of the window. List order decides creation (last first) and stacking (earlier =
// higher among siblings), so page 1 lies above pages 2 and 3.
std::vector<UnitSpec> InstallerUnits(const AssetLoader& loadAsset, const InstalledProduct& product) {
    const std::string boldFont = StoredFont(-12, 700, false);
    const std::string linkFont = StoredFont(-12, 400, true);
    // The folder the label shows until the window's start-up puts the default one there.
    const std::string startingFolder = "D:\\" + product.brandFolder + product.name;
    return {
        {kWindowUnitId, "窗口_安装", kTypeWindow, 50, 50, 250, 400, 0, true, kArrowCursor,
         {{0, "OnWindowCreated"}}, WindowOwnProperties()},
        {kUnitLog, "标签_日志", kTypeLabel, 79, 344, 160, 24, kUnitPage1, true, kArrowCursor, {},
         PageLabel("", {})},
        {kUnitCloseGlyph, "透明标签4", kTypeTransLabel, 230, 14, 12, 12, kUnitPage1, true, kHandCursor,
         {{-2, "OnCloseClicked"}}, TitleLabel("×", kWhite, {}), kUnitTabStop},
        {kUnitIconBox, "图片框1", kTypePicBox, 8, 8, 24, 24, 0, false, kArrowCursor, {},
         Box(0, kSystemColour, loadAsset("icon48.ico"), 1)},
        {kUnitProgress, "进度条1", kTypeProcessBar, 21, 327, 205, 8, kUnitPage1, false, kArrowCursor, {},
         ProgressBarProperties()},
        {kUnitZip, "ZIP压缩1", kTypeZip, 8, 40, 27, 27, kUnitLogo, false, kArrowCursor,
         {{1, "OnExtractProgress"}}, {}},
        {kUnitTimer4, "时钟4", kTypeTimer, 72, 32, 26, 26, 0, false, kArrowCursor, {}, {}},
        {kUnitFinishButton, "图形按钮3", kTypePicBtn, 192, 288, 220, 80, kUnitPage3, true, kArrowCursor, {},
         Button(loadAsset("button_finish.jpg"))},
        {kUnitLogo2, "图片框_Logo2", kTypePicBox, 174, 24, 250, 255, kUnitPage3, true, kArrowCursor, {},
         Box(0, kSystemColour, loadAsset("logo_flame_small.jpg"), 0)},
        {kUnitTitle3, "透明标签3", kTypeTransLabel, 0, 0, 250, 24, kUnitPage3, true, kArrowCursor, {},
         TitleLabel(" " + product.name + "_安装完成！", kWhite, {})},
        {kUnitProgressFill, "图片框_进度", kTypePicBox, -2, 2, 0, 18, kUnitProgressFrame, true, kArrowCursor, {},
         Box(0, kWhite, {}, 0)},
        {kUnitProgressFrame, "图片框_进度框", kTypePicBox, 0, 335, 600, 24, kUnitPage2, true, kArrowCursor, {},
         Box(kSingleLineBorder, kPageSky, {}, 0)},
        {kUnitCloseButton, "图形按钮10", kTypePicBtn, 563, 0, 27, 22, kUnitPage2, true, kArrowCursor,
         {{0, "OnCloseClicked"}},
         Button(loadAsset("cross_blue.jpg"), loadAsset("cross_orange.jpg"), loadAsset("cross_red.jpg"))},
        {kUnitAdBox, "图片框_AD", kTypePicBox, 0, 23, 600, 300, kUnitPage2, true, kArrowCursor, {},
         Box(0, kPageSky, {}, 2)},
        {kUnitTitle2, "透明标签2", kTypeTransLabel, 0, 0, 250, 24, kUnitPage2, true, kArrowCursor, {},
         TitleLabel(" " + product.name + "_正在安装...", kWhite, {})},
        {kUnitStartButton, "图形按钮1", kTypePicBtn, 14, 255, 220, 80, kUnitPage1, true, kArrowCursor,
         {{0, "OnStartClicked"}}, Button(loadAsset("button_install.jpg"), loadAsset("button_install_hover.jpg")),
         kUnitTabStop | kUnitDefault},
        {kUnitFolderCaption, "标签1", kTypeLabel, 7, 344, 56, 24, kUnitPage1, true, kArrowCursor, {},
         PageLabel("安装目录：", {})},
        {kUnitTitle, "透明标签1", kTypeTransLabel, 7, 8, 68, 24, kUnitPage1, true, kArrowCursor, {},
         TitleLabel("安装程序", 0x0000FFFF, boldFont)},
        {kUnitLogo, "图片框_Logo", kTypePicBox, 12, 36, 211, 211, kUnitPage1, true, kArrowCursor, {},
         Box(0, kSystemColour, loadAsset("logo_flame.jpg"), 1)},
        {kUnitInstallFolder, "标签_安装目录", kTypeLabel, 7, 367, 232, 25, kUnitPage1, true, kHandCursor,
         {{-1, "OnInstallFolderPressed"}}, PageLabel(startingFolder, linkFont), kUnitTabStop},
        {kUnitTimer3, "时钟3", kTypeTimer, 48, 32, 26, 26, 0, false, kArrowCursor, {}, {}},
        {kUnitTimer2, "时钟2", kTypeTimer, 24, 32, 26, 26, 0, false, kArrowCursor, {}, {}},
        {kUnitTimer1, "时钟1", kTypeTimer, 0, 32, 26, 26, 0, false, kArrowCursor, {}, TimerProperties(0)},
        {kUnitPage1, "图片框1_背景", kTypePicBox, 0, 0, 250, 400, 0, true, kArrowCursor,
         {{-1, "OnBackgroundPressed"}}, Box(kSingleLineBorder, kPage1Blue, {}, 2)},
        {kUnitPage2, "图片框2_背景", kTypePicBox, 0, 0, 600, 400, 0, true, kArrowCursor, {},
         Box(kSingleLineBorder, kPageSky, {}, 0)},
        {kUnitPage3, "图片框3_背景", kTypePicBox, 0, 0, 600, 400, 0, true, kArrowCursor, {},
         Box(kSingleLineBorder, kPageSky, {}, 0)},
    };
}

UnitRecord Record(const UnitSpec& s, int pointerSize) {
    UnitRecord u;
    u.type = s.type;
    u.name = s.name;
    u.left = s.left;
    u.top = s.top;
    u.width = s.width;
    u.height = s.height;
    u.container = s.container;
    u.cursor = CursorBlob(s.cursor);
    u.flags = (s.visible ? kUnitVisible : 0) | s.keyboard;
    for (const auto& e : s.events) u.events.push_back({e.first, HandlerOffset(e.second, pointerSize)});
    u.ownProperties = s.ownProperties;
    return u;
}

}  // namespace

WindowTemplate BuildInstallerTemplate(const AssetLoader& loadAsset, const InstalledProduct& product,
                                      int pointerSize) {
    WindowEntry win;
    for (const UnitSpec& s : InstallerUnits(loadAsset, product)) {
        win.unitIds.push_back(s.id);
        win.units.push_back(Record(s, pointerSize));
    }
    LinkContainers(&win);

    WindowTemplate tpl;
    tpl.windowIds.push_back(kInstallerWindowId);
    tpl.windows.push_back(std::move(win));
    return tpl;
}

}  // namespace quill
