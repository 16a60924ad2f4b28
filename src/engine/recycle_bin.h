#pragma once
// Sending files to the Recycle Bin, so that a user can still restore them.

#include <string>

// Moves one file or directory to the Recycle Bin without any dialog. False
// when the shell refuses or aborts, when the path does not fit the shell's
// 260-byte path buffer (a cut path could name another file), or when it
// holds a wildcard.
bool send_to_recycle_bin(const std::string& path);
