#pragma once
// A throw-away directory tree for one test: files with chosen sizes, ages and
// attributes. Paths are UTF-8, made through the wide calls, which also reach
// paths too long for the cleaner's.
// Roots are short paths under /tmp so fixture paths stay far below 260 bytes.

#include <cstdint>
#include <string>

class FixtureTree {
public:
    // Creates an empty root named after `tag`; removes it with everything inside when destroyed.
    explicit FixtureTree(const std::string& tag);
    ~FixtureTree();
    FixtureTree(const FixtureTree&) = delete;
    FixtureTree& operator=(const FixtureTree&) = delete;

    const std::string& root() const { return root_; }  // Windows form, "Z:\tmp\..."
    std::string path(const std::string& relative) const;

    // Creates the directory and its missing parents; returns its full path.
    std::string make_dir(const std::string& relative) const;
    // Writes `size` bytes (or `content`), creating parents; returns the full path.
    std::string write_file(const std::string& relative, std::uint64_t size) const;
    std::string write_text(const std::string& relative, const std::string& content) const;

    // Sets the last-write time to `seconds` before now (negative: in the future).
    void set_age_seconds(const std::string& relative, std::int64_t seconds) const;
    void add_attributes(const std::string& relative, unsigned long attributes) const;

    bool exists(const std::string& relative) const;

private:
    std::string root_;
};

// Deletes a tree, read-only files, links and paths too long for the "A" calls
// included (the link itself, never its target).
void remove_tree(const std::string& path);

std::wstring wide_path(const std::string& utf8);
