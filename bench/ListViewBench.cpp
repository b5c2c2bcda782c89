// The main window with a very long list: adding a folder tree through the window, scrolling
// (time of each repaint), and removing selections. Runs headless; the window's own test doubles
// answer the folder browser.
//
//   QT_QPA_PLATFORM=offscreen bench_listview DIR     (bench_filelist --tree DIR 1000000 makes one)
#include "app/ui/Program.h"
#include "app/ui/MainWindow.h"
#include "tests/app/ui/TestDoubles.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

qint64 Timed(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents(); // the view's delayed layout belongs to the step
    return timer.elapsed();
}

void Select(QTreeView& view, int first, int last, QItemSelectionModel::SelectionFlags how)
{
    QAbstractItemModel* model = view.model();
    view.selectionModel()->select(QItemSelection(model->index(first, 0), model->index(last, 4)),
                                  how | QItemSelectionModel::Rows);
}

void Trigger(MainWindow& window, const char* action)
{
    window.findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return std::fprintf(stderr, "usage: bench_listview DIR\n"), 2;
    QTemporaryDir data;
    TScriptedPrompts prompts;
    TRecordingShell shell;
    std::unique_ptr<MainWindow> form = CreateForms(shell, prompts, data.path());
    QTreeView& view = *form->findChild<QTreeView*>(QStringLiteral("fileView"));
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return 1;

    shell.nextFolders.push_back(QString::fromLocal8Bit(argv[1]));
    const qint64 added = Timed([&] { Trigger(*form, "addFolderAction"); });
    const int rows = view.model()->rowCount();
    std::printf("rows: %d\nadd folder through the window: %lld ms\n", rows, added);

    // Scrolling: jumps all over the list and steps through one stretch, one repaint each.
    QScrollBar* bar = view.verticalScrollBar();
    std::vector<qint64> frames;
    for (int i = 0; i < 300; ++i) {
        const int value = i < 100 ? int(qint64(bar->maximum()) * ((i * 37) % 100) / 100) : bar->maximum() / 2 + i * 3;
        frames.push_back(Timed([&] {
            bar->setValue(value);
            view.viewport()->repaint();
        }));
    }
    std::sort(frames.begin(), frames.end());
    std::printf("scroll repaint: median %lld ms, slowest %lld ms\n", frames[frames.size() / 2], frames.back());

    // Half the rows selected as one range, then every other row of a stretch, then all inverted.
    Select(view, 0, rows / 2 - 1, QItemSelectionModel::ClearAndSelect);
    std::printf("remove the first half selected: %lld ms\n", Timed([&] { Trigger(*form, "removeSelectedAction"); }));
    const int left = view.model()->rowCount();
    view.clearSelection();
    for (int i = 0; i < std::min(left, 2000); i += 2)
        Select(view, i, i, QItemSelectionModel::Select);
    std::printf("remove 1000 scattered rows of %d: %lld ms\n", left,
                Timed([&] { Trigger(*form, "removeSelectedAction"); }));
    Select(view, 0, view.model()->rowCount() / 2, QItemSelectionModel::ClearAndSelect);
    std::printf("invert selection: %lld ms\n", Timed([&] { Trigger(*form, "invertSelectionAction"); }));
    const qint64 removed = Timed([&] { Trigger(*form, "removeSelectedAction"); });
    std::printf("remove the inverted selection: %lld ms, %d rows left\n", removed, view.model()->rowCount());
    return 0;
}
