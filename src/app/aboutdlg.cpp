#include "app/aboutdlg.h"

#include "app/glyphs.h"

#include <QLabel>

#include <cstdio>

namespace {

constexpr PControlSpec kAboutRows[] = {
    {-1001, PKind::Static, ""},  // the program's icon
    {22001, PKind::Static, "Version", 0, pf::FullRow},
    {22002, PKind::Static, "for Windows95 /Windows NT ready", 0, pf::FullRow},
    {22003, PKind::Static, "", 0, pf::FullRow},
    {2, PKind::DefPushButton, "&OK"},
};
const PDialogTemplate kAboutTemplate{22000, "Ｋｏｒｖｉｄａについて", kAboutRows};

// What a text of the box can hold.
constexpr int kTextLength = 255;
constexpr int kTemplateTextLength = 128;

const TVersionResource& ProgramResource() {
    static const TVersionResource resource{
        {0x0409, 0x04E4},
        {
            {"\\StringFileInfo\\040904e4\\CompanyName", "Korvida developers"},
            {"\\StringFileInfo\\040904e4\\FileDescription", "Korvida"},
            {"\\StringFileInfo\\040904e4\\InternalName", "korvida"},
            {"\\StringFileInfo\\040904e4\\OriginalFilename", "korvida"},
            {"\\StringFileInfo\\040904e4\\ProductName", "Korvida"},
            {"\\StringFileInfo\\040904e4\\ProductVersion", "0.1"},
            {"\\StringFileInfo\\040904e4\\FileVersion", "0.1"},
            {"\\StringFileInfo\\040904e4\\LegalCopyright", "Copyright (C) the Korvida developers"},
        },
    };
    return resource;
}

// At most n characters of s, as a fixed buffer would keep them.
std::string Cut(std::string s, int n) {
    if (s.size() > std::size_t(n)) s.resize(std::size_t(n));
    return s;
}

}  // namespace

const TVersionResource* ProgramVersionResource() { return &ProgramResource(); }

// ---------------------------------------------------------------- the reader

ProjectRCVersion::ProjectRCVersion(const TVersionResource* module) {
    if (!module) return;
    VersionData = std::make_unique<TVersionResource>(*module);
    if (VersionData->Translation.size() < 2) {
        VersionData.reset();
        return;
    }
    // Stored as language, code page; swapped so the language is the high half.
    const std::uint32_t stored = std::uint32_t(VersionData->Translation[0]) |
                                 (std::uint32_t(VersionData->Translation[1]) << 16);
    TranslationEntry = (stored << 16) | (stored >> 16);
}

ProjectRCVersion::~ProjectRCVersion() = default;

bool ProjectRCVersion::GetValue(const char* key, const char*& value) const {
    if (!VersionData) return false;
    char path[300];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%08lx\\%s", (unsigned long)TranslationEntry, key);
    const auto it = VersionData->Values.find(path);
    if (it == VersionData->Values.end()) return false;
    value = it->second.c_str();
    return true;
}

bool ProjectRCVersion::GetProductName(const char*& name) const { return GetValue("ProductName", name); }
bool ProjectRCVersion::GetProductVersion(const char*& version) const {
    return GetValue("ProductVersion", version);
}
bool ProjectRCVersion::GetCopyright(const char*& copyright) const { return GetValue("LegalCopyright", copyright); }
bool ProjectRCVersion::GetSpecialBuild(const char*& build) const { return GetValue("SpecialBuild", build); }

// ---------------------------------------------------------------- the box

korvidaAboutDlg::korvidaAboutDlg(QWidget* parent, const TVersionResource* module)
    : PDialog(parent, kAboutTemplate), module_(module) {
    SetDefaultId(2);
}

korvidaAboutDlg::~korvidaAboutDlg() = default;

void korvidaAboutDlg::SetupWindow() {
    PDialog::SetupWindow();
    // The icon row has no id: it is the one static without a name.
    for (QLabel* icon : findChildren<QLabel*>())
        if (icon->objectName().isEmpty() && icon->text().isEmpty()) {
            icon->setPixmap(kv::app::ProgramIcon().pixmap(32, 32));
            icon->setAlignment(Qt::AlignCenter);
            break;
        }
    if (auto* t = Control<QLabel>(22001)) t->setAlignment(Qt::AlignCenter);
    if (auto* t = Control<QLabel>(22002)) {
        t->setAlignment(Qt::AlignCenter);
        t->setWordWrap(true);
    }
    if (auto* t = Control<QLabel>(22003)) t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ProjectRCVersion version(module_);
    const char* name = nullptr;
    const char* number = nullptr;
    if (version.GetProductName(name) && version.GetProductVersion(number)) {
        const std::string label = Cut(ItemText(22001).toStdString(), kTemplateTextLength);
        SetItemText(22001, QString::fromStdString(Cut(std::string(name) + " " + label + " " + number, kTextLength)));
    }
    const char* text = nullptr;
    if (version.GetCopyright(text)) SetItemText(22002, QString::fromStdString(Cut(text, kTextLength)));
    if (version.GetSpecialBuild(text)) SetItemText(22003, QString::fromStdString(Cut(text, kTextLength)));
}
