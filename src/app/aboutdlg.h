#pragma once
// The about box and the reader of the program's version resource.
//
// A module's version resource is a block of string values (ProductName,
// ProductVersion, LegalCopyright, ...) under a language and code page, and a
// translation table naming that pair. The program carries its own; a module may
// carry none.

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A module's version-information block: the "\VarFileInfo\Translation" value as
// stored (pairs of 16-bit language and code page) and the string values by their
// query paths ("\StringFileInfo\040904e4\ProductName").
struct TVersionResource {
    std::vector<std::uint16_t> Translation;
    std::map<std::string, std::string> Values;
};

// The program's own version resource: language 0409 with code page 04E4, with the
// product's name, version and legal notice and no special build.
const TVersionResource* ProgramVersionResource();

// Reads the version resource of a module (null: a module without one).
class ProjectRCVersion {
public:
    explicit ProjectRCVersion(const TVersionResource* module);
    virtual ~ProjectRCVersion();
    ProjectRCVersion(const ProjectRCVersion&) = delete;
    ProjectRCVersion& operator=(const ProjectRCVersion&) = delete;

    // Each points name at the value's text inside the block and answers true;
    // false when there is no version data or no such value.
    bool GetProductName(const char*& name) const;
    bool GetProductVersion(const char*& version) const;
    bool GetCopyright(const char*& copyright) const;
    bool GetSpecialBuild(const char*& build) const;

protected:
    bool GetValue(const char* key, const char*& value) const;

    // Owned; null when the module has no version data or no translation table.
    std::unique_ptr<TVersionResource> VersionData;
    // The first translation entry, language in the high half once read.
    std::uint32_t TranslationEntry = 0;
};

// The about box (dialog 22000): the product's name and version, its legal notice
// and a special build, from the version resource.
class korvidaAboutDlg : public PDialog {
    Q_OBJECT
public:
    // module: whose version resource is shown (the program's by default).
    explicit korvidaAboutDlg(QWidget* parent, const TVersionResource* module = ProgramVersionResource());
    ~korvidaAboutDlg() override;

protected:
    void SetupWindow() override;

private:
    const TVersionResource* module_;
};
