// A main window model over a registry file in a temporary folder, with scripted dialogs
// and a plain event queue.
#pragma once

#include "app/main_form.h"
#include "registry/file_registry_backend.h"
#include "ui/progress_message.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <memory>

namespace upd::testing {

struct FormFixture {
    TempDir dir;
    std::string registryPath = (dir / "registry.reg").string();
    ScriptedDialogs dialogs;
    QueuedEventPump pump;
    TDM dm;
    std::unique_ptr<TfmMain> form;

    explicit FormFixture(std::string updaterFolder = {}) {
        Environment env;
        env.executableName = "update_3_2";
        env.updaterFolder = updaterFolder.empty() ? dir.folder() + "updater/" : updaterFolder;
        env.openRegistry = fileRegistryOpener(registryPath);
        form = std::make_unique<TfmMain>(dm, env, dialogs, pump);
        pump.setHandler([this](const PostedMessage& m) {
            if (m.message == WM_PROGRESS) form->MyProgress(m.wParam, m.lParam);
        });
        form->FormCreate();
    }

    void setRegistry(const std::string& body) {
        writeFile(registryPath, "Windows Registry Editor Version 5.00\r\n\r\n" + body);
    }

    std::string registryValue(const std::string& section, const std::string& name) {
        return InstallationRegistry(std::make_unique<FileRegistryBackend>(registryPath)).Read(section, name, "<none>");
    }
};

} // namespace upd::testing
