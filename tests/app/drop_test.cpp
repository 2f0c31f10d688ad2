// Files dropped on the main frame: one graph file is opened after the close check,
// a graph file among other names changes nothing, data files become series of the
// current axis set through the data-reading, plot-style and multi-file dialogs.

#include "app_fixture.h"

#include "dialogs/kit/controls.h"
#include "platform/stringtable.h"

#include "chart/winlayer/escapepoll.h"
#include "render/output.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <fstream>
#include <memory>

namespace {

using apptest::AppTest;
using apptest::ModalScript;

constexpr int kDataReadDialog = 3;
constexpr int kPlotDialog = 4;
constexpr int kMultiReadDialog = 13;
constexpr int kIndividual = 102, kCommon = 103;  // the multi-file dialog's choices

class Drop : public AppTest {
protected:
    // Five rows of y = i * scale.
    std::string Data(const std::string& name, double scale) {
        const std::string path = PathIn(name);
        std::ofstream out(path);
        for (int i = 1; i <= 5; ++i) out << i << "," << i * scale << "\n";
        return path;
    }
    int Series() const { return chart()->Document.Current->PlotList.GetItemsInContainer(); }
    double LeftEnd() const { return chart()->Document.Current->LeftAxis.RangeEnd; }
    static ModalScript::Action Choose(int radio) {
        return [radio](PDialog& d) {
            d.CheckItem(kIndividual, radio == kIndividual ? BF_CHECKED : BF_UNCHECKED);
            d.CheckItem(kCommon, radio == kCommon ? BF_CHECKED : BF_UNCHECKED);
            ModalScript::Press(IDOK)(d);
        };
    }
};

TEST_F(Drop, ASingleGraphFileIsOpenedAfterTheCloseCheck) {
    Start();
    const std::string graph = WriteGraph("A.KV3", 2);
    chart()->Document.Modified = 1;
    boxes.Answer(IDCANCEL);
    app->EvDropFiles({graph});
    ASSERT_EQ(boxes.Shown().size(), 1u);  // the save question, cancelled
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);

    boxes.Answer(IDNO);
    app->EvDropFiles({graph});
    EXPECT_EQ(chart()->FileName, graph);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(app->History[0], graph);
}

TEST_F(Drop, AGraphFileAmongOtherNamesChangesNothing) {
    Start();
    const std::string graph = WriteGraph("g.kv3"), other = WriteGraph("h.KV3"), data = Data("d.dat", 1);
    for (const std::vector<std::string>& names : {std::vector<std::string>{graph, other},
                                                  std::vector<std::string>{data, graph}}) {
        ModalScript script;  // no dialog may open
        app->EvDropFiles(names);
        EXPECT_TRUE(script.Seen().empty());
    }
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(Series(), 0);
    EXPECT_EQ(chart()->Document.Modified, 0);
}

TEST_F(Drop, AnyOtherNameIsReadAsData) {
    Start();
    // The extension counts only in the two spellings the program writes.
    const std::string odd = Data("a.Kv3", 100);
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDOK)).Then(kPlotDialog, ModalScript::Press(IDOK));
    app->EvDropFiles({odd});
    EXPECT_EQ(Series(), 1);
    EXPECT_EQ(chart()->Document.Modified, 1);
    EXPECT_GE(LeftEnd(), 500.0);  // the empty axis set was scaled to it
}

TEST_F(Drop, CommonSettingsReadTheOthersLikeTheFirstAndScaleAnEmptySetOnce) {
    for (const bool startEmpty : {true, false}) {
        SCOPED_TRACE(startEmpty ? "empty axis set" : "axis set with a series");
        Start();
        const std::string a = Data("a.dat", 1), b = Data("b.dat", 10), c = Data("c.dat", 100);
        if (!startEmpty) {
            auto p = std::make_unique<TPlot>();
            p->IsFileData = 0;
            ASSERT_TRUE(chart()->Document.Current->PlotList.Add(p));
        }
        const double before = LeftEnd();
        ModalScript script;
        script.Then(kMultiReadDialog, Choose(kCommon))
            .Then(kDataReadDialog, ModalScript::Press(IDOK))
            .Then(kPlotDialog, ModalScript::Press(IDOK));
        app->EvDropFiles({a, b, c});
        const int first = startEmpty ? 1 : 2;
        ASSERT_EQ(Series(), first + 2);
        EXPECT_STREQ(chart()->Document.Current->PlotList.At(first + 2)->DataFileName, c.c_str());
        EXPECT_EQ(chart()->Document.Modified, 1);
        if (startEmpty) EXPECT_GE(LeftEnd(), 500.0);
        else EXPECT_EQ(LeftEnd(), before);
        EXPECT_TRUE(boxes.Shown().empty());
        Stop();
    }
}

TEST_F(Drop, CancelInTheMultiFileDialogReadsNothing) {
    Start();
    ModalScript script;
    script.Then(kMultiReadDialog, ModalScript::Press(IDCANCEL));
    app->EvDropFiles({Data("a.dat", 1), Data("b.dat", 10)});
    EXPECT_EQ(Series(), 0);
    EXPECT_EQ(chart()->Document.Modified, 0);
}

TEST_F(Drop, AFileThatStopsTheRunKeepsTheSeriesBeforeItScaledAndShown) {
    Start();
    const std::string a = Data("a.dat", 1000), c = Data("c.dat", 100);
    {
        // Each file through its own dialogs: the second one's reading is cancelled.
        ModalScript script;
        script.Then(kMultiReadDialog, Choose(kIndividual))
            .Then(kDataReadDialog, ModalScript::Press(IDOK))
            .Then(kPlotDialog, ModalScript::Press(IDOK))
            .Then(kDataReadDialog, ModalScript::Press(IDCANCEL));
        app->EvDropFiles({a, Data("b.dat", 10), c});
    }
    EXPECT_EQ(Series(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_GE(LeftEnd(), 5000.0);

    // Common settings: a file that cannot be read is told, and ends the run.
    Stop();
    Start();
    {
        ModalScript script;
        script.Then(kMultiReadDialog, Choose(kCommon))
            .Then(kDataReadDialog, ModalScript::Press(IDOK))
            .Then(kPlotDialog, ModalScript::Press(IDOK));
        app->EvDropFiles({a, PathIn("missing.dat"), c});
    }
    EXPECT_EQ(Series(), 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(35) + "\n" + PathIn("missing.dat"));
    EXPECT_GE(LeftEnd(), 5000.0);
}

TEST_F(Drop, ANameTheSeriesCannotHoldStopsBeforeAnyDialog) {
    Start();
    const std::string tooLong = Dir() + "/" + std::string(300, 'n') + ".dat";
    ModalScript script;
    app->EvDropFiles({Data("a.dat", 1), tooLong});
    EXPECT_TRUE(script.Seen().empty());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1161) + "\n" + tooLong);
    EXPECT_EQ(Series(), 0);
}

TEST_F(Drop, TheFrameHandsDroppedLocalFilesOnAfterTheDrop) {
    Start();
    const std::string graph = WriteGraph("dropped.kv3", 3);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(graph)), QUrl("https://example.org/x.kv3")});
    // As a drag arrives: it enters the frame, then it is dropped there.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->Frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app->Frame, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");  // not yet: after the drop
    QCoreApplication::processEvents();
    EXPECT_EQ(chart()->FileName, graph);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
}

// A file dropped and a timer due while a long drawing polls the Escape check: the
// drawing looks at the window system (so the drop reaches the frame meanwhile),
// but the graph is opened and the timer fires only once the drawing is over.
TEST_F(Drop, ADropAndATimerDuringALongDrawingTakeEffectAfterIt) {
    kv::win::InstallEscapePoll();  // as the program does at start-up
    Start();
    const std::string graph = WriteGraph("dropped.kv3", 3);
    auto plot = std::make_unique<TPlot>();
    for (int i = 0; i < 100000; ++i) {
        plot->AddX(TDataElement(i * 1e-4));
        plot->AddY(TDataElement((i % 7) * 1.3));
    }
    chart()->Document.Current->PlotList.Add(plot.release());
    QCoreApplication::processEvents();

    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(graph))});
    QCoreApplication::postEvent(app->Frame, new QDragEnterEvent(QPoint(10, 10), Qt::CopyAction, mime.get(),
                                                                Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(app->Frame, new QDropEvent(QPointF(10, 10), Qt::CopyAction, mime.get(),
                                                           Qt::LeftButton, Qt::NoModifier));
    bool fired = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] { fired = true; });
    timer.start(0);

    const long long looks = kv::win::EscapePollLooks();
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TDC dc(&image);
        chart()->DrawGraph(OUT_DC, dc, nullptr, nullptr);
    }
    EXPECT_GT(kv::win::EscapePollLooks(), looks);
    EXPECT_FALSE(fired);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);

    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);
    EXPECT_EQ(chart()->FileName, graph);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
}

}  // namespace
