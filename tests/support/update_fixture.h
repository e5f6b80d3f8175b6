// The main window model over a generated installation, and one press of "Обновить программу".
#pragma once

#include "support/form_fixture.h"
#include "support/installation.h"

#include <string>
#include <vector>

namespace upd::testing {

// The main window model over a generated installation.
struct UpdateFixture {
    Installation inst;
    FormFixture f;

    explicit UpdateFixture(const std::string& version = "3.1") : inst(version), f(inst.updaterFolder) {
        f.registryPath = inst.registryPath;
        Environment env;
        env.updaterFolder = inst.updaterFolder;
        env.openRegistry = fileRegistryOpener(inst.registryPath);
        f.form = std::make_unique<TfmMain>(f.dm, env, f.dialogs, f.pump);
        f.form->FormCreate();
    }
    TfmMain& form() { return *f.form; }
    bool press() {
        return form().runHandler([&] { form().Button3Click(); });
    }
    std::vector<std::string> log() { return form().ListBox1.lines(); }
};

} // namespace upd::testing
