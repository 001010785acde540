#!/usr/bin/python3
"""The include check run on small source trees: what it must refuse and what it must let through."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-levels")


def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for relative, text in files.items():
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)
        result = subprocess.run(["/usr/bin/python3", SCRIPT, root], capture_output=True, text=True)
        return result.returncode, result.stdout


class CheckLevelsTest(unittest.TestCase):
    def test_refused_includes_name_the_file_the_line_and_the_levels(self):
        cases = [
            # upward: a run service reaching the worker
            ("run/Log.cpp", '#include "worker/PublishWorker.h"\n', "run", "worker"),
            # the run services know nothing of the project or of what a run writes
            ("run/Cancel.cpp", '#include "output/FileOperations.h"\n', "run", "output"),
            ("base/PathUtils.cpp", '#include "project/DocvaneDoc.h"\n', "base", "project"),
            # sideways: the PDF stage and the automation sessions do not know each other
            ("pdf/CombinedPdf.cpp", '#include "automation/acad/AcadSession.h"\n', "pdf", "automation"),
            # the core never reaches a platform implementation
            ("automation/ClassRegistry.cpp", '#include "platform/ClassRegistryFile.h"\n', "automation",
             "platform"),
            ("app/ApplicationSettings.cpp", '  #  include "project/DocvaneDoc.h"\n', "app", "project"),
            # the desktop program's logic uses the core, not the platform implementations
            ("desktop/Session.cpp", '#include "platform/SettingsFile.h"\n', "desktop", "platform"),
            # the two front ends do not share code through each other
            ("cli/main.cpp", '#include "ui/MainFrame.h"\n', "cli", "ui"),
            # the project views sit below the main window and reach no platform implementation
            ("views/FileListView.cpp", '#include "ui/MainFrame.h"\n', "views", "ui"),
            ("views/FileListView.cpp", '#include "platform/DesktopOpen.h"\n', "views", "platform"),
        ]
        for relative, text, own, target in cases:
            with self.subTest(file=relative):
                code, out = run_check({relative: "// x\n" + text})
                self.assertEqual(code, 1)
                self.assertIn(f"{relative}:2: level {own} may not include", out)
                self.assertIn(f"(level {target})", out)

    def test_downward_and_same_level_includes_pass(self):
        code, out = run_check({
            "base/PathUtils.cpp": '#include "base/PathUtils.h"\n',
            "output/FileOperations.cpp": '#include "run/Log.h"\n#include "project/DocvaneDoc.h"\n',
            "project/ProjectFile.cpp": '#include "base/AtomicFile.h"\n#include "app/ApplicationSettings.h"\n',
            "automation/acad/AcadSession.cpp": '#include "automation/Automation.h"\n#include "run/Log.h"\n',
            "worker/PublishWorker.cpp": '#include "pdf/CombinedPdf.h"\n#include "automation/word/WordSession.h"\n',
            "platform/SettingsFile.h": '#include "app/SettingsStore.h"\n',
            "desktop/Session.cpp": '#include "worker/PublishWorker.h"\n',
            "views/FileList.cpp": '#include "views/ProjectPanel.h"\n#include "desktop/Session.h"\n',
            "ui/MainFrame.cpp": '#include "views/FileListView.h"\n#include "platform/DesktopOpen.h"\n',
            "cli/main.cpp": '#include "platform/SettingsFile.h"\n#include <tinyxml2.h>\n#include "Local.h"\n',
            "servers/acad/server.py": "import os\n",
        })
        self.assertEqual(out, "")
        self.assertEqual(code, 0)

    def test_a_folder_outside_the_map_is_refused(self):
        code, out = run_check({"newlevel/Thing.cpp": "int x;\n"})
        self.assertEqual(code, 1)
        self.assertIn("newlevel/Thing.cpp: the folder has no level in the map", out)


if __name__ == "__main__":
    sys.exit(unittest.main())
