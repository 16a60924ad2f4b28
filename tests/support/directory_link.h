#pragma once
// A directory symbolic link in a fixture, made and removed on the Unix side.
// Wine 8 cannot make one (CreateSymbolicLinkA reports success and does
// nothing) nor remove one, so the test starts /bin/ln and /bin/rm, which Wine
// runs as Unix programs, and waits until the link shows up or goes away.

#include <string>

class DirectoryLink {
public:
    // `link` and `target` are Windows paths on the Z: drive.
    DirectoryLink(const std::string& link, const std::string& target);
    ~DirectoryLink();  // removes the link (never the target) if it is still there
    DirectoryLink(const DirectoryLink&) = delete;
    DirectoryLink& operator=(const DirectoryLink&) = delete;

    bool exists() const;

private:
    std::string link_;
};

// Removes a tree from the Unix side: the "A" calls reach neither paths longer
// than 260 bytes nor what lies behind such a path.
void remove_from_unix(const std::string& path);
