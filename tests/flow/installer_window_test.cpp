// The installer window's description as the generator serialises it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flow/installer_window.h"
#include "runtime/template_format.h"
#include "ui/props/label_props.h"
#include "ui/props/trans_label_props.h"

namespace quill {
namespace {

const char* const kHandlerNames[] = {
#define QUILL_HANDLER(name) #name,
#include "flow/handlers.def"
#undef QUILL_HANDLER
};
constexpr size_t kHandlerCount = sizeof(kHandlerNames) / sizeof(kHandlerNames[0]);

WindowTemplate Installer(int pointerSize, const InstalledProduct& product = {"Tessaly软件\\", "Orvenline"}) {
    return BuildInstallerTemplate([](const std::string& name) { return "picture " + name; }, product, pointerSize);
}

template <typename Props>
std::string Caption(const WindowEntry& window, uint32_t unit) {
    for (size_t i = 0; i < window.unitIds.size(); ++i) {
        if (window.unitIds[i] != unit) continue;
        const std::string& own = window.units[i].ownProperties;
        Props p;
        EXPECT_TRUE(p.Read(reinterpret_cast<const uint8_t*>(own.data()), own.size()));
        return p.caption;
    }
    ADD_FAILURE() << "no unit " << unit;
    return {};
}

TEST(InstallerWindow, TheTemplateReadsBackAsWritten) {
    const std::string bytes = WriteTemplate(Installer(8));
    WindowTemplate back;
    ASSERT_TRUE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &back));
    ASSERT_EQ(back.windowIds, std::vector<uint32_t>{kInstallerWindowId});
    ASSERT_EQ(back.windows[0].units.size(), 26u);
    EXPECT_EQ(back.windows[0].unitIds[15], kUnitStartButton);
    EXPECT_EQ(back.windows[0].units[15].name, "图形按钮1");
    EXPECT_EQ(WriteTemplate(back), bytes);
}

// The page titles and the folder shown before the default one is known name the product the
// window is generated for, and nothing of another.
TEST(InstallerWindow, TitlesAndStartingFolderNameTheInstalledProduct) {
    const WindowEntry window = Installer(4, {"示例软件\\", "示例产品"}).windows[0];
    EXPECT_EQ(Caption<TransLabelProps>(window, kUnitTitle2), " 示例产品_正在安装...");
    EXPECT_EQ(Caption<TransLabelProps>(window, kUnitTitle3), " 示例产品_安装完成！");
    EXPECT_EQ(Caption<LabelProps>(window, kUnitInstallFolder), "D:\\示例软件\\示例产品");
}

// Every event the window binds, and the handler the program's table holds at the stored
// offset, for both pointer sizes the template is generated for.
TEST(InstallerWindow, EachBoundEventReachesItsHandlerAtBothPointerSizes) {
    struct Binding {
        uint32_t unit;
        int32_t event;
        std::string handler;
    };
    const std::vector<Binding> expected = {
        {kWindowUnitId, 0, "OnWindowCreated"},       {kUnitCloseGlyph, -2, "OnCloseClicked"},
        {kUnitZip, 1, "OnExtractProgress"},          {kUnitCloseButton, 0, "OnCloseClicked"},
        {kUnitStartButton, 0, "OnStartClicked"},     {kUnitInstallFolder, -1, "OnInstallFolderPressed"},
        {kUnitPage1, -1, "OnBackgroundPressed"},
    };
    for (int pointerSize : {4, 8}) {
        const WindowTemplate tpl = Installer(pointerSize);
        const WindowEntry& w = tpl.windows[0];
        std::vector<Binding> found;
        for (size_t i = 0; i < w.units.size(); ++i) {
            for (const EventBinding& e : w.units[i].events) {
                ASSERT_EQ(e.handlerOffset % pointerSize, 0) << pointerSize;
                const size_t slot = static_cast<size_t>(e.handlerOffset / pointerSize);
                ASSERT_LT(slot, kHandlerCount) << pointerSize;
                found.push_back({w.unitIds[i], e.event, kHandlerNames[slot]});
            }
        }
        ASSERT_EQ(found.size(), expected.size()) << pointerSize;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].unit, expected[i].unit) << i;
            EXPECT_EQ(found[i].event, expected[i].event) << i;
            EXPECT_EQ(found[i].handler, expected[i].handler) << i;
        }
    }
}

}  // namespace
}  // namespace quill
