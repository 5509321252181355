#include "gui_helpers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "dialogs/rpllist.h"
#include "temp_folder.h"
#include "ui/seams.h"

using namespace moxtal;

const TempFolder& testSettingsFolder()
{
    static const TempFolder folder;
    return folder;
}

void forgetSettings()
{
    std::remove(testSettingsFolder().file("main.cfg").c_str());
    std::remove(testSettingsFolder().file("pattern.cfg").c_str());
}

std::unique_ptr<TForm1> makeWindow(std::vector<std::string> arguments)
{
    auto form = createWindows(std::make_unique<RealFolderSource>(), std::move(arguments));
    form->setSettingsFolder(testSettingsFolder().path() + "/");
    return form;
}

std::vector<std::string> listedNames(TForm1& form)
{
    std::vector<std::string> out;
    for (const FileEntry& e : form.fileList().model().entries())
        out.push_back(e.name);
    return out;
}

void typeInto(const QObject* window, const char* name, const QString& text)
{
    auto* box = control<QWidget>(window, name);
    QWidget* edit = qobject_cast<QComboBox*>(box) ? static_cast<QComboBox*>(box)->lineEdit() : box;
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    for (const char32_t c : text.toUcs4())  // a key's code is its character's capital, as Qt gives it
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(QChar::toUpper(c)), QString::fromUcs4(&c, 1), Qt::NoModifier);
}

void clickButton(const QObject* window, const char* name)
{
    control<QAbstractButton>(window, name)->click();
}

void triggerAction(const QObject* window, const char* name)
{
    control<QAction>(window, name)->trigger();
}

QString menuOpenedBy(const std::function<void()>& action)
{
    action();
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup)
        return {};
    popup->close();
    return popup->objectName();
}

QString contextMenuOf(QWidget* control, QContextMenuEvent::Reason reason)
{
    const QPoint middle = control->rect().center();
    QContextMenuEvent request(reason, middle, control->mapToGlobal(middle));
    return menuOpenedBy([&] { QApplication::sendEvent(control, &request); });
}

void clickFile(TForm1& form, int row, Qt::KeyboardModifiers modifiers)
{
    auto* list = control<QTableView>(&form, "FileListView1");
    const QModelIndex cell = list->model()->index(row, 0);
    list->scrollTo(cell);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualRect(cell).center());
}

void clickColumn(TForm1& form, int column)
{
    QHeaderView* header = control<QTableView>(&form, "FileListView1")->horizontalHeader();
    const int middle = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(middle, header->height() / 2));
}

int selectedFile(TForm1& form)
{
    const QModelIndexList rows = control<QTableView>(&form, "FileListView1")->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

namespace {
int g_pendingHandlers = 0;
}  // namespace

int pendingDialogHandlers()
{
    const int pending = g_pendingHandlers;
    g_pendingHandlers = 0;
    return pending;
}

void whenShown(QObject* context, std::function<void()> handler)
{
    ++g_pendingHandlers;
    QTimer::singleShot(0, context, [handler = std::move(handler)] {
        --g_pendingHandlers;
        handler();
    });
}

void whenDialogShows(TForm1& form, std::function<void(TRenameReport&)> handler)
{
    TRenameReport* report = form.windows().RenameReport;
    whenShown(report, [report, handler] {
        handler(*report);
        report->reject();
    });
}

void WindowTest::SetUp()
{
    moxtal::MessageBox::setTestMode(true);
    moxtal::MessageBox::takeRecorded();
    forgetSettings();
}

void WindowTest::TearDown()
{
    EXPECT_EQ(pendingDialogHandlers(), 0) << "a dialog the test waited for never opened";
}
