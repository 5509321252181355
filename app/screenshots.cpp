// Takes the README's pictures: the main window on a folder, then the confirmation dialog of a
// numbering job, each saved as a PNG. Run by scripts/screenshots.sh under Xvfb.
#include <cstdio>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "application.h"
#include "dialogs/rpllist.h"
#include "windows.h"

int main(int argc, char** argv)
{
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    if (argc < 4) {
        std::fprintf(stderr, "usage: moxtal-screenshots FOLDER SETTINGS_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[3]);
    auto form = moxtal::createWindows(std::make_unique<moxtal::RealFolderSource>(), {argv[1]});
    form->setSettingsFolder(std::string(argv[2]) + "/");
    form->resize(640, 440);
    form->show();
    form->setFileListWidth(420);
    // The job goes into the boxes, found by their design names.
    form->findChild<QComboBox*>(QStringLiteral("pattern"))->setEditText(QStringLiteral("^DSC_(\\d+)"));
    form->findChild<QComboBox*>(QStringLiteral("RepStr"))->setEditText(QStringLiteral("Kyoto_\\\\\\_\\d"));
    form->findChild<QLineEdit*>(QStringLiteral("seqstart"))->setText(QStringLiteral("1"));
    form->findChild<QLineEdit*>(QStringLiteral("Extension"))->setText(QStringLiteral("*.jpg"));

    moxtal::TRenameReport* report = form->windows().RenameReport;
    // Wide enough for whole names: "Old" and "New" take the room the dialog has.
    report->resize(640, 404);
    QTimer::singleShot(500, [&] {
        form->grab().save(output + QStringLiteral("/main-window.png"));
        QTimer::singleShot(300, report, [&] {
            report->grab().save(output + QStringLiteral("/confirm-dialog.png"));
            report->reject();
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        });
        form->findChild<QPushButton*>(QStringLiteral("ButtonDoit"))->click();
    });
    return app.exec();
}
