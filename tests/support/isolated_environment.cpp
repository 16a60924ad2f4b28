#include "support/isolated_environment.h"

EnvironmentOverrides isolated_environment(const FixtureTree& tree) {
    EnvironmentOverrides environment;
    for (const char* name : {"TEMP", "TMP", "LOCALAPPDATA", "APPDATA", "PROGRAMDATA", "USERPROFILE", "WINDIR"}) {
        environment[name] = tree.make_dir(std::string("env\\") + name);
    }
    return environment;
}
