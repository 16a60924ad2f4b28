#include "gui_harness.h"

#include "engine/file_reading.h"
#include "gui/duplicate_rows.h"
#include "gui/items_view.h"
#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Client points of the 900x600 layout with the items view in front.
constexpr int SIZE_HEADER_X = 657, PATH_HEADER_X = 480, HEADER_Y = 78;
constexpr int BROWSER_NONE_X = 190, BROWSER_ROW_Y = 175;  // the row under its check box
constexpr int FILTER_X = 600, FILTER_Y = 52;

std::string clipboard_text() {
    if (!OpenClipboard(nullptr)) return {};
    std::string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
        text.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr)));
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
        GlobalUnlock(data);
        text.pop_back();  // the terminator
    }
    CloseClipboard();
    return text;
}

// A scan's results: two temporary files and a browser cache, as the window holds them.
class ItemsView : public ::testing::Test {
protected:
    void SetUp() override {
        hold({{.path = "C:\\t\\a.log", .description = "[temp_files] Item", .size = 300},
              {.path = "C:\\t\\b.log", .description = "[temp_files] Item", .size = 100},
              {.path = "C:\\b\\Cache", .description = "[browser_cache] Item", .size = 200}});
    }
    // Makes `items` the held results of a scan that just finished, as the scan worker does.
    static void publish(ItemList items) {
        g_gui.scanning = g_gui.cleaning = g_gui.confirming = false;
        g_gui.module_selected = g_gui.scan_selection = {1, 1, 1, 1, 0};
        gui_hold_results(std::make_unique<ScanResults>(ScanResults{.total_items = items.size(), .items = std::move(items)}));
        g_gui.running = true;
    }
    void hold(ItemList items) {
        publish(std::move(items));
        harness.frame();  // a scan that found items brings the view to the front
    }
    void TearDown() override {
        g_gui.running = false;
        g_gui.view = ContentView::LOG;
        g_gui.scan_results.reset();
        g_gui.has_results = false;
        g_gui.result_items = 0;
    }
    static void key(WPARAM key, bool control = false) {
        hold_control(control);
        gui_window_proc(nullptr, WM_KEYDOWN, key, 1);
        hold_control(false);
    }
    static bool ticked(int index) { return g_gui.scan_results->items[index].selected; }
    std::string copied_paths() {
        key('A', true);
        key('C', true);
        return clipboard_text();
    }
    void click_path_header() {
        harness.click(PATH_HEADER_X, HEADER_Y);
        while (gui_items_working()) harness.frame();
    }
    // The texts the next frame draws, by what they say.
    std::map<std::string, nk_command_text> drawn() {
        std::map<std::string, nk_command_text> texts;
        harness.visit_commands([&](const nk_command& c) {
            if (c.type == NK_COMMAND_TEXT) texts.emplace(reinterpret_cast<const nk_command_text&>(c).string, reinterpret_cast<const nk_command_text&>(c));
        });
        return texts;
    }
    FrameHarness harness;
};

TEST_F(ItemsView, AHeaderSortsAndTheSidebarUnticksAModulesItems) {
    harness.click(SIZE_HEADER_X, HEADER_Y);
    EXPECT_EQ(copied_paths(), "C:\\t\\b.log\r\nC:\\b\\Cache\r\nC:\\t\\a.log\r\n");
    harness.click(SIZE_HEADER_X, HEADER_Y);  // again: descending
    EXPECT_EQ(copied_paths(), "C:\\t\\a.log\r\nC:\\b\\Cache\r\nC:\\t\\b.log\r\n");
    harness.click(BROWSER_NONE_X, BROWSER_ROW_Y);
    EXPECT_TRUE(ticked(0) && ticked(1));
    EXPECT_FALSE(ticked(2));
}

// Control+L asks first and Escape answers no; Escape in the filter box leaves
// the box; Escape once more (idle) closes the window.
TEST_F(ItemsView, TheConfirmationComesBeforeAnyCleanAndEscapeDeclinesIt) {
    g_gui.module_selected[1] = 0;
    key('L', true);
    EXPECT_TRUE(g_gui.confirming);
    EXPECT_EQ(g_gui.confirmation_text, "Clean 2 items (400 B)? 2 go to the Recycle Bin.");
    harness.frame();
    key('A', true);  // the rest of the window waits for the answer
    EXPECT_TRUE(g_gui.confirming);
    key(VK_ESCAPE);
    EXPECT_FALSE(g_gui.confirming);
    EXPECT_FALSE(g_gui.cleaning);
    EXPECT_TRUE(g_gui.running);
    harness.frame();  // the dialog closes
    harness.click(FILTER_X, FILTER_Y);
    key(VK_ESCAPE);
    EXPECT_TRUE(g_gui.running);
    harness.frame();
    key(VK_ESCAPE);
    EXPECT_FALSE(g_gui.running);
}

CleanItem copy_in(std::shared_ptr<const DuplicateGroup> group, const std::string& path, std::uint64_t size) {
    return {.path = path, .description = "[duplicate_finder] Copy of " + group->kept_path, .size = size,
            .selected = false, .duplicate_group = std::move(group)};
}

// A group's copies follow its line, placed where its first row falls in the
// order; the kept copy is on the line, never a row.
TEST(ItemsOrder, DuplicateCopiesStayUnderTheirGroupsLine) {
    const auto one = std::make_shared<const DuplicateGroup>(DuplicateGroup{.number = 1, .kept_path = "C:\\k1"});
    const auto two = std::make_shared<const DuplicateGroup>(DuplicateGroup{.number = 2, .kept_path = "C:\\k2"});
    const ItemList items = {{.path = "C:\\t\\x", .size = 50}, copy_in(one, "C:\\d\\a", 10), copy_in(two, "C:\\d\\b", 70),
                            copy_in(one, "C:\\d\\c", 90), copy_in(two, "C:\\e\\b", 5)};
    const std::pair<ItemsOrder, std::vector<std::uint32_t>> cases[] = {
        {{}, {0, GROUP_LINE | 1, 1, 3, GROUP_LINE | 2, 2, 4}},
        {{.sort = ItemColumn::SIZE}, {GROUP_LINE | 4, 4, 2, GROUP_LINE | 1, 1, 3, 0}},
        {{.sort = ItemColumn::SIZE, .descending = true}, {GROUP_LINE | 3, 3, 1, GROUP_LINE | 2, 2, 4, 0}},
        {{.filter = "\\b"}, {GROUP_LINE | 2, 2, 4}},
    };
    for (const auto& [order, rows] : cases) EXPECT_EQ(gui_order_items(items, order), rows);
    // A longer filter narrows the rows shown: a group left without rows loses its line.
    std::vector<std::uint32_t> narrowed = gui_order_items(items, {});
    std::erase_if(narrowed, [](std::uint32_t row) { return row == 0 || row == 1 || row == 3; });
    gui_drop_empty_group_lines(items, narrowed);
    EXPECT_EQ(narrowed, cases[3].second);
}

// The "Keep this copy" button puts the cursor's copy on the group's line and
// the copy kept before, indented, among the rows. (What a clean then does,
// from the key K, is driven through the real window.)
TEST_F(ItemsView, TheKeepThisCopyButtonMovesTheMark) {
    const FixtureTree tree("keep");
    const std::string kept = tree.write_file("kept.bin", 4096), copy = tree.write_file("copy.bin", 4096);
    const auto group = std::make_shared<const DuplicateGroup>(DuplicateGroup{.number = 7, .kept_path = kept});
    hold({copy_in(group, copy, 4096)});
    g_gui.scan_results->items[0].snapshot = snapshot_of(open_for_shared_reading(copy).get());
    key(VK_DOWN);  // from the group's line to the copy
    const nk_command_text keep = drawn().at(LABEL_KEEP_COPY);
    harness.click(keep.x + 2, keep.y + 2);
    const auto texts = drawn();
    EXPECT_TRUE(texts.contains("Duplicate group 7: " + copy + " (kept)") && texts.contains("    " + kept));  // indented
}

// More items than a sort on the window's thread may take: paths in no order,
// each 7 000 items apart from the next that is the same.
ItemList many_items() {
    ItemList items(100'003);
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i] = {.path = "C:\\d" + std::to_string(i % 1000) + "\\f" + std::to_string(i % 7), .description = "[temp_files] Item"};
    }
    return items;
}

std::string paths_of(const ItemList& items, const std::vector<std::uint32_t>& rows) {
    std::string paths;
    for (std::uint32_t row : rows) paths += items[row].path + "\r\n";
    return paths;
}

// A sort by path over frames on a worker shows the rows a sort at once shows;
// equal paths keep the scan's order both ways ("C:\d0\f0" is items 0, 7 000, ... 98 000).
TEST_F(ItemsView, APathSortOnAWorkerShowsTheRowsOfASortAtOnce) {
    hold(many_items());
    const ItemList& items = g_gui.scan_results->items;
    const struct {
        bool descending;
        WPARAM to_row;
        int equal_path_item;
    } cases[] = {{false, VK_HOME, 0}, {true, VK_END, 98'000}};
    for (const auto& [descending, to_row, equal_path_item] : cases) {
        click_path_header();
        EXPECT_EQ(copied_paths(), paths_of(items, gui_order_items(items, {.sort = ItemColumn::PATH, .descending = descending})));
        key(to_row);
        key(VK_SPACE);
        EXPECT_FALSE(ticked(equal_path_item)) << descending;
    }
}

// A scan that ends while a sort of the last one runs shows its own items in
// that order, from a key that comes before its first frame.
TEST_F(ItemsView, ANewScanDuringAPathSortShowsItsOwnItemsInOrder) {
    hold(many_items());
    harness.click(PATH_HEADER_X, HEADER_Y);
    harness.frame();  // keys of the old items are read
    publish({{.path = "C:\\t\\b"}, {.path = "C:\\t\\c"}, {.path = "C:\\t\\a"}});
    EXPECT_EQ(copied_paths(), "C:\\t\\a\r\nC:\\t\\b\r\nC:\\t\\c\r\n");
    while (gui_items_working()) harness.frame();  // the old sort is no longer the view's
    EXPECT_EQ(copied_paths(), "C:\\t\\a\r\nC:\\t\\b\r\nC:\\t\\c\r\n");
}

}  // namespace

// Each edit of the filter shows the rows a filter built from scratch shows,
// in the same order: a longer text narrows the rows shown, a shorter or a
// different one reads every item again.
TEST_F(ItemsView, AnEditedFilterShowsWhatAFreshFilterShows) {
    const auto group = std::make_shared<const DuplicateGroup>(DuplicateGroup{.number = 1, .kept_path = "C:\\k\\Keep.bin"});
    hold({{.path = "C:\\T\\A.LOG", .description = "[temp_files] Item", .size = 300},
          {.path = "C:\\t\\ab.log", .description = "[temp_files] Item", .size = 100},
          copy_in(group, "C:\\d\\AB.bin", 50), copy_in(group, "C:\\e\\c.bin", 50),
          {.path = "C:\\b\\Cache", .description = "[browser_cache] Item", .size = 200}});
    harness.click(SIZE_HEADER_X, HEADER_Y);
    const ItemList& items = g_gui.scan_results->items;
    std::wstring typed;
    for (const std::wstring wanted : {L"c", L"C:\\", L"c:\\t\\a", L"c:\\t\\ab", L"c:\\t", L"b", L"ab.", L"copy", L"x", L""}) {
        harness.click(FILTER_X, FILTER_Y);
        std::size_t same = 0;
        while (same < typed.size() && same < wanted.size() && typed[same] == wanted[same]) ++same;
        for (; typed.size() > same; typed.pop_back()) harness.frame({key_down(VK_BACK), key_up(VK_BACK)});
        harness.type(wanted.substr(same));
        typed = wanted;
        while (gui_items_working()) harness.frame();
        key(VK_ESCAPE);
        harness.frame();
        std::string expected;
        for (std::uint32_t row : gui_order_items(items, {.sort = ItemColumn::SIZE, .filter = std::string(wanted.begin(), wanted.end())})) {
            if (!is_group_line(row)) expected += items[row].path + "\r\n";
        }
        if (OpenClipboard(nullptr)) {  // no rows copy nothing
            EmptyClipboard();
            CloseClipboard();
        }
        EXPECT_EQ(copied_paths(), expected) << std::string(wanted.begin(), wanted.end());
    }
}
