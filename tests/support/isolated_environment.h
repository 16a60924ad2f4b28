#pragma once
// The environment for running twk.exe against a fixture tree: Wine would
// otherwise put its prefix's own folders into these variables.

#include "support/child_process.h"
#include "support/fixture_tree.h"

// TEMP, TMP, LOCALAPPDATA, APPDATA, PROGRAMDATA, USERPROFILE and WINDIR point
// at directories of the same names under the tree, which are created empty.
EnvironmentOverrides isolated_environment(const FixtureTree& tree);
