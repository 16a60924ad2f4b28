#include "support/profile_run.h"

#include "engine/diagnostics.h"

#include <windows.h>

#include <sstream>

EnvironmentOverrides profile_environment(const FixtureTree& tree) {
    return {{"TEMP", tree.path("Temp")},         {"TMP", tree.path("Temp")},
            {"LOCALAPPDATA", tree.path("Local")}, {"APPDATA", tree.path("Roaming")},
            {"PROGRAMDATA", tree.path("ProgramData")}, {"USERPROFILE", tree.root()},
            {"WINDIR", tree.path("Windows")}};
}

void use_profile_environment(const FixtureTree& tree) {
    for (const auto& [name, value] : profile_environment(tree)) SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void make_files(const FixtureTree& tree, std::span<const FixtureFile> files) {
    for (const FixtureFile& file : files) {
        tree.write_file(file.path, file.size);
        tree.set_age_seconds(file.path, file.age_seconds);
    }
}

std::string listing_line(const FixtureTree& tree, const std::string& relative, std::uint64_t size) {
    return "  [" + format_size(size) + "] " + tree.path(relative) + "\n";
}

std::string cleaned_lines(const std::string& name) {
    return "[ -1%] [>] Cleaning: " + name + "\n[ -1%] [+] Cleaned: " + name + "\n";
}

ProcessResult run_twk_in_profile(const FixtureTree& tree, const std::vector<std::string>& args) {
    std::vector<std::string> all{"--no-gui"};
    all.insert(all.end(), args.begin(), args.end());
    ProcessOptions options;
    options.environment = profile_environment(tree);
    return run_process(twk_exe_path(), all, options);
}

std::string console_text(const std::string& output) {
    // A progress message starts with a carriage return and overwrites the line.
    std::istringstream lines(replace_all(replace_all(output, "\n\r", "\n"), "\r", "\n"));
    std::string text;
    bool in_scan = false;
    for (std::string line; std::getline(lines, line);) {
        if (in_scan && line != "[100%] Scan complete") continue;
        in_scan = line == "Scanning for cleanable items...";
        text += line + "\n";
    }
    return text;
}

std::string recycle_bin_path(const std::string& file_name) { return windows_path_in("TWK_TEST_TRASH", "files/" + file_name); }

void forget_recycled(const std::string& file_name) {
    remove_tree(recycle_bin_path(file_name));
    DeleteFileA(windows_path_in("TWK_TEST_TRASH", "info/" + file_name + ".trashinfo").c_str());
}
