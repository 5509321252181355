#include "gui_helpers.h"

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
