// Plans through the real twk.exe: a `scan --json` report, edited as a person
// or a script would, then carried out by `clean --plan`. Only what the plan
// selects and a fresh scan still lists unchanged is cleaned; a plan that
// cannot be used deletes nothing; every clean leaves its journal.

#include "support/profile_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <fstream>

using Json = nlohmann::json;

namespace {

constexpr std::int64_t DAY = 86400;
constexpr FixtureFile FILES[] = {
    {"Temp\\gone.log", 100, 2 * DAY},
    {"Temp\\unticked.log", 20, 2 * DAY},
    {"Temp\\rewritten.log", 30, 2 * DAY},
    {"Documents\\cv.docx", 40, 2 * DAY},
};
constexpr const char* JOURNALS = "Local\\Tidewick\\logs";

class PlanProfile : public ::testing::Test {
protected:
    void SetUp() override {
        make_files(tree, FILES);
        tree.make_dir("Local");
        forget_recycled("gone.log");
    }

    // twk with the profile, standard error apart.
    ProcessResult twk(std::vector<std::string> args) {
        args.insert(args.begin(), "--no-gui");
        ProcessOptions options;
        options.environment = profile_environment(tree);
        options.separate_error = true;
        return run_process(twk_exe_path(), args, options);
    }

    // A plan of the profile, made by a scan that searches no duplicates outside the tree.
    Json scan_plan() {
        const ProcessResult scan = twk({"scan", "--json", "--dup-path=" + tree.make_dir("empty")});
        EXPECT_EQ(scan.exit_code, 0) << scan.error;
        return Json::parse(scan.output);
    }

    std::string write_plan(const std::string& text) {
        return tree.write_text("plan" + std::to_string(++plans) + ".json", text);
    }

    Json& item(Json& plan, const char* relative) {
        for (Json& entry : plan["items"]) {
            if (entry["path"] == tree.path(relative)) return entry;
        }
        ADD_FAILURE() << relative << " is not in the plan";
        return plan;
    }

    std::string only_journal() {
        WIN32_FIND_DATAA found;
        const UniqueFindHandle find(FindFirstFileA((tree.path(JOURNALS) + "\\clean-*.json").c_str(), &found));
        if (!find) return {};
        const std::string name = found.cFileName;
        EXPECT_FALSE(FindNextFileA(find.get(), &found)) << "more than one journal";
        std::ifstream file(tree.path(JOURNALS) + "\\" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    FixtureTree tree{"plan"};
    int plans = 0;
};

TEST_F(PlanProfile, CleansOnlySelectedItemsTheFreshScanStillListsUnchangedAndJournalsIt) {
    Json plan = scan_plan();
    EXPECT_EQ(plan["schema"], 2);
    EXPECT_EQ(plan["options"]["dup_path"], Json({tree.path("empty")}));
    item(plan, "Temp\\unticked.log")["selected"] = false;
    // A document passed off as a temporary file, as an edited plan might.
    Json document = item(plan, "Temp\\gone.log");
    document["path"] = tree.path("Documents\\cv.docx");
    plan["items"].push_back(document);
    const std::string file = write_plan(plan.dump());
    tree.write_file("Temp\\rewritten.log", 31);
    tree.set_age_seconds("Temp\\rewritten.log", 2 * DAY);

    const ProcessResult clean = twk({"clean", "--plan=" + file, "--json", "--force"});

    ASSERT_EQ(clean.exit_code, 0) << clean.error;
    const Json report = Json::parse(clean.output);
    Json outcomes = Json::object();
    for (const Json& entry : report["items"]) outcomes[entry["path"]] = {entry["outcome"], entry["how"], entry["reason"]};
    EXPECT_EQ(outcomes, Json({{tree.path("Temp\\gone.log"), {"removed", "recycled", nullptr}},
                              {tree.path("Temp\\unticked.log"), {"skipped", nullptr, "not selected"}},
                              {tree.path("Temp\\rewritten.log"), {"failed", nullptr, "changed since the plan"}},
                              {tree.path("Documents\\cv.docx"), {"skipped", nullptr, "no longer found"}}}));
    EXPECT_EQ(Json({report["cleaned_count"], report["skipped_count"], report["failed_count"], report["recycled_count"],
                    report["bytes_recycled"]}),
              Json({1, 2, 1, 1, 100}));
    for (const FixtureFile& file : FILES) EXPECT_EQ(tree.exists(file.path), file.path != FILES[0].path) << file.path;
    EXPECT_EQ(only_journal(), clean.output);
}

TEST_F(PlanProfile, APlanThatCannotBeUsedDeletesNothing) {
    Json plan = scan_plan();
    Json other = plan, old = plan, unknown = plan, widened = plan;
    other["program"] = "Cleaner";
    old["schema"] = 1;
    unknown["items"][0]["module"] = "everything";
    // The plan's options are read as if typed: a bad one ends the run.
    widened["options"]["dup_path"] = {tree.write_text("plain.txt", "not a directory")};
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--plan=" + write_plan("{\"schema\": 2,")}, "is not valid JSON"},
        {{"--plan=" + write_plan(other.dump())}, "is not a Tidewick plan"},
        {{"--plan=" + write_plan(old.dump())}, "is not of schema 2"},
        {{"--plan=" + write_plan(unknown.dump())}, "names an unknown module 'everything'"},
        {{"--plan=" + write_plan(plan.dump()), "--enable-registry"}, "--enable-registry cannot be given with --plan"},
        {{"--plan=" + tree.path("missing.json")}, "Cannot read the plan"},
        {{"--plan=" + write_plan(widened.dump())}, "Not a directory: " + tree.path("plain.txt")},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> command{"clean", "--force"};
        command.insert(command.end(), args.begin(), args.end());
        const ProcessResult refused = twk(command);
        EXPECT_EQ(refused.exit_code, 1) << message;
        EXPECT_NE((refused.output + refused.error).find(message), std::string::npos) << refused.output << refused.error;
    }
    for (const FixtureFile& file : FILES) EXPECT_TRUE(tree.exists(file.path)) << file.path;
    EXPECT_EQ(only_journal(), "");
}

}  // namespace
