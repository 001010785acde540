#include "support/CliTest.h"

namespace docvane::test {

std::string FileDocXml(const std::string& relative) {
    return "<fileDoc><fileRelativePath>" + relative + "</fileRelativePath></fileDoc>";
}

std::string ProjectXml(const std::string& combined, const std::string& pdfDir, const std::string& editDir,
                       const std::vector<std::string>& files) {
    std::string xml = "<docvane><pdfFile><fileRelativePath>" + combined + "</fileRelativePath></pdfFile>";
    if (!pdfDir.empty()) {
        xml += "<pdfDir><dirRelativePath>" + pdfDir + "</dirRelativePath></pdfDir>";
    }
    if (!editDir.empty()) {
        xml += "<editDir><dirRelativePath>" + editDir + "</dirRelativePath></editDir>";
    }
    xml += "<fileDocs>";
    for (const auto& file : files) {
        xml += FileDocXml(file);
    }
    return xml + "</fileDocs></docvane>";
}

ProgramResult CliTest::Cli(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{DOCVANE_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::map<std::string, std::string> env = env_;
    env.emplace("DOCVANE_CONFIG_HOME", config_.Path());
    return RunProgram(argv, env);
}

}  // namespace docvane::test
