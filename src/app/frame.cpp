#include "app/frame.h"

#include "app/app.h"
#include "app/glyphs.h"
#include "app/history.h"
#include "app/menus.h"
#include "chart/chartwindow.h"
#include "chart/winlayer/escapepoll.h"
#include "platform/numconv.h"
#include "platform/profile.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

using kv::win::TCommandEnabler;

namespace kv::app {

bool TQtToolPalette::IsButtonDown(int id) const {
    QAction* a = Action(id);
    return a && a->isCheckable() && a->isChecked();
}

void TQtToolPalette::SetButtonDown(int id) {
    if (!IsExclusiveButton(id)) return;
    // The group releases the button that was down.
    if (QAction* a = Action(id)) a->setChecked(true);
}

QAction* TQtToolPalette::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

}  // namespace kv::app

namespace {

using Entry = kv::win::TCommandEntry<MainFrame>;

const Entry kFrameCommands[] = {
    {CM_COMMANDBAR, &MainFrame::CmCommandBar, &MainFrame::CeCommandBar},
    {CM_EXIT, &MainFrame::CmExit, nullptr},
};

// A blank gap of the bars, as wide (or, on the vertical palette, as tall) as given.
QWidget* Gap(QToolBar* bar, int pixels, bool vertical) {
    auto* w = new QWidget(bar);
    if (vertical) w->setFixedSize(1, pixels);
    else w->setFixedSize(pixels, 1);
    return w;
}

QAction* MakeButton(QToolBar* bar, int id, int glyphSize, kv::win::TCommandRouter& router) {
    QAction* a = bar->addAction(QIcon(kv::app::ButtonGlyph(id, glyphSize)), QString());
    a->setObjectName(QString::number(id));
    a->setData(id);
    a->setStatusTip(QString::fromStdString(kv::win::StatusHint(id)));
    a->setToolTip(QString::fromStdString(Tooltip(id)));
    // Disabled until the first pass of the enable handlers.
    a->setEnabled(false);
    router.BindAction(a, id);
    return a;
}

}  // namespace

MainFrame::MainFrame(korvidaApp& app, TChartWindow* client) : app_(app), client_(client) {
    setObjectName(QStringLiteral("MainFrame"));
    setCentralWidget(client_);
    // Tips show also while another window is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

MainFrame::~MainFrame() = default;

const kv::win::TCommandTable<MainFrame>& MainFrame::CommandTable() {
    static const kv::win::TCommandTable<MainFrame> table(kFrameCommands, int(std::size(kFrameCommands)));
    return table;
}

bool MainFrame::ProcessCommand(int id) { return CommandTable().Process(*this, id); }

bool MainFrame::ProcessCommandEnable(TCommandEnabler& ce) { return CommandTable().ProcessEnable(*this, ce); }

void MainFrame::CmCommandBar() {
    if (!commandBar_) return;
    commandBar_->setVisible(!commandBar_->isVisibleTo(this));
    app_.UpdateCommandStates();
}

void MainFrame::CeCommandBar(TCommandEnabler& ce) {
    ce.Enable(commandBar_ != nullptr);
    ce.SetCheck(commandBar_ && commandBar_->isVisibleTo(this) ? kv::win::MF_CHECKED : kv::win::MF_UNCHECKED);
}

void MainFrame::CmExit() { close(); }

void MainFrame::closeEvent(QCloseEvent* e) {
    // The chart view's close check: the save question for a modified graph, then
    // the profile.
    if (client_ && !client_->CanClose()) {
        e->ignore();
        return;
    }
    e->accept();
}

// ---- Dropped files.

namespace {

// The local files a drag carries, in its order.
std::vector<std::string> DroppedFiles(const QMimeData* mime) {
    std::vector<std::string> names;
    if (!mime || !mime->hasUrls()) return names;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
    return names;
}

}  // namespace

void MainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (DroppedFiles(e->mimeData()).empty()) e->ignore();
    else e->acceptProposedAction();
}

void MainFrame::dragMoveEvent(QDragMoveEvent* e) {
    if (DroppedFiles(e->mimeData()).empty()) e->ignore();
    else e->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* e) {
    std::vector<std::string> names = DroppedFiles(e->mimeData());
    if (names.empty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // The dialogs the files may open run after the drag source has been answered,
    // and never inside an Escape poll of a drawing under way.
    kv::win::PostCall(this, [this, names = std::move(names)] { app_.EvDropFiles(names); });
}

// ---- Decorations.

void MainFrame::SetupCommandBar(kv::win::TCommandRouter& router) {
    commandBar_ = new QToolBar(this);
    commandBar_->setObjectName(QString::number(CommandBarId));
    commandBar_->setOrientation(Qt::Horizontal);
    commandBar_->setMovable(false);
    commandBar_->setFloatable(false);
    commandBar_->setIconSize(QSize(20, 20));
    QFont f = commandBar_->font();
    f.setPointSize(10);
    f.setBold(false);
    f.setItalic(false);
    commandBar_->setFont(f);
    struct Item {
        int id;     // 0: a gap
        int gap;
    };
    const Item items[] = {
        {CM_FILENEW, 0}, {CM_FILEOPEN, 0}, {CM_FILESAVE, 0}, {0, 12},
        {CM_COPYTOCLIPBOARD, 0}, {CM_FILEEXPORT, 0}, {0, 6},
        {CM_FILEPRINT, 0}, {CM_FILEPRINTPREVIEW, 0}, {0, 12},
        {CM_DATAFILEOPEN, 0}, {CM_DATAMANAGER, 0}, {CM_PASTEDATA, 0},
    };
    for (const Item& it : items) {
        if (it.id == 0) commandBar_->addWidget(Gap(commandBar_, it.gap, false));
        else buttons_[it.id] = MakeButton(commandBar_, it.id, 20, router);
    }
    addToolBar(Qt::TopToolBarArea, commandBar_);
}

void MainFrame::SetupToolPalette(kv::win::TCommandRouter& router, kv::app::TQtToolPalette& palette) {
    toolPalette_ = new QToolBar(this);
    toolPalette_->setObjectName(QStringLiteral("ToolPalette"));
    toolPalette_->setOrientation(Qt::Vertical);
    toolPalette_->setMovable(false);
    toolPalette_->setFloatable(false);
    toolPalette_->setIconSize(QSize(24, 24));
    toolPalette_->setContentsMargins(2, 2, 2, 2);
    QFont f = toolPalette_->font();
    f.setPointSize(10);
    toolPalette_->setFont(f);
    toolGroup_ = new QActionGroup(toolPalette_);
    toolGroup_->setExclusive(true);
    const int exclusive[] = {CM_TOOLSELECT, CM_TOOLDRAGWINDOW, CM_TOOLTRIMMING, CM_TOOLWATCH,
                             CM_TOOLLINE, CM_TOOLPOLYLINE, CM_TOOLRECTANGLE, CM_TOOLROUNDRECT,
                             CM_TOOLELLIPSE, CM_TOOLAXISCUT};
    for (int id : exclusive) {
        QAction* a = MakeButton(toolPalette_, id, 24, router);
        a->setCheckable(true);
        a->setChecked(id == CM_TOOLSELECT);
        // Tools are always enabled; the command only follows the palette's state.
        a->setEnabled(true);
        toolGroup_->addAction(a);
        palette.SetAction(id, a);
        buttons_[id] = a;
    }
    toolPalette_->addWidget(Gap(toolPalette_, 6, true));
    for (int id : {CM_INSERTTEXT, CM_INSERTLEGEND}) {
        QAction* a = MakeButton(toolPalette_, id, 24, router);
        palette.SetAction(id, a);
        buttons_[id] = a;
    }
    addToolBar(Qt::LeftToolBarArea, toolPalette_);
}

void MainFrame::SetupStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    QFont f;
    f.setFamily(QString::fromUtf8("ＭＳ Ｐゴシック"));
    f.setPixelSize(15);
    f.setWeight(QFont::Normal);
    bar->setFont(f);
    status_ = std::make_unique<kv::win::TQtStatusBar>(bar);
}

void MainFrame::SetupMenu(kv::win::TCommandRouter& router) {
    BuildMainMenu(menuBar(), router);
    for (const Accelerator& acc : Accelerators()) {
        auto* sc = new QShortcut(acc.Key, this);
        sc->setContext(Qt::WindowShortcut);
        sc->setAutoRepeat(true);
        const int id = acc.Id;
        connect(sc, &QShortcut::activated, this, [&router, id] { router.Execute(id); });
        shortcuts_.push_back(sc);
    }
}

QAction* MainFrame::MenuAction(int id) const { return FindMenuAction(menuBar(), id); }

QAction* MainFrame::ButtonAction(int id) const {
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

// ---- Set-up.

void MainFrame::Create() {
    if (created_) return;
    created_ = true;
    SetupWindow();
    setAcceptDrops(true);
}

void MainFrame::SetupWindow() {
    const std::string profile = app_.ProfilePath();
    const char* path = profile.c_str();
    {
        // One reading of the profile for the chart view's settings and ours.
        kv::ProfileBatch batch(profile);
        // The children first: the chart view reads its own settings and the default
        // styles.
        client_->Create();

        const int left = int(GetPrivateProfileIntA("Window", "left", 0, path));
        const int top = int(GetPrivateProfileIntA("Window", "top", 0, path));
        const int right = int(GetPrivateProfileIntA("Window", "right", 500, path));
        const int bottom = int(GetPrivateProfileIntA("Window", "bottom", 500, path));
        if (right != left && bottom != top) {
            // A stored rectangle turned inside out still names a place and a size.
            setGeometry(QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                              QSize(std::abs(right - left), std::abs(bottom - top))));
        }

        char buf[260] = "";
        GetPrivateProfileStringA("Window", "CommandBar", "1", buf, sizeof buf, path);
        if (commandBar_) commandBar_->setVisible(kv::AtoI(buf) != 0);

        for (int k = 1; k <= kv::app::HistorySize; ++k) {
            char entry[260] = "";
            const std::string key = "file" + std::to_string(k);
            GetPrivateProfileStringA("History", key.c_str(), "", entry, sizeof entry, path);
            app_.History[std::size_t(k - 1)] = entry;
        }
    }
    UpdateHistoryMenu();

    LayOutNow();
    client_->CmFitPaper();
    app_.ProcessCommandLine();
    client_->ShowCurrentAxisSet();
}

void MainFrame::LayOutNow() {
    if (layout()) layout()->activate();
    // A hidden window hears of its size only when shown: hand the chart view the
    // client size the layout gave it.
    int w = client_->width();
    int h = client_->height();
    if (QScrollBar* v = client_->ScrollBar(SB_VERT); v && v->isVisibleTo(client_)) w -= v->width();
    if (QScrollBar* b = client_->ScrollBar(SB_HORZ); b && b->isVisibleTo(client_)) h -= b->height();
    client_->SetClientSize(std::max(w, 0), std::max(h, 0));
}

void MainFrame::AddToHistory(const std::string& name) {
    kv::app::PushHistory(app_.History, name);
    UpdateHistoryMenu();
}

void MainFrame::UpdateHistoryMenu() {
    for (int k = 1; k <= kv::app::HistorySize; ++k) {
        if (QAction* a = MenuAction(CM_HISTORY1 + k - 1))
            a->setText(QString::fromStdString(kv::app::HistoryMenuText(k, app_.History[std::size_t(k - 1)])));
    }
}
