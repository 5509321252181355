#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

#include "dialogs/confirm_model.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "temp_folder.h"
#include "ui/contrast.h"
#include "ui/seams.h"

using namespace moxtal;

namespace {

// A dark palette as desktops set one (Breeze Dark's colours).
QPalette darkPalette()
{
    QPalette p;
    const QColor window(49, 54, 59), base(35, 38, 41), text(252, 252, 252);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, window);
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::Button, window);
        p.setColor(g, QPalette::ButtonText, text);
        p.setColor(g, QPalette::Highlight, QColor(61, 174, 233));
        p.setColor(g, QPalette::HighlightedText, text);
    }
    return p;
}

class AccessibilityTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setTestMode(true);
        MessageBox::takeRecorded();
        forgetSettings();
    }
    void TearDown() override { EXPECT_EQ(pendingDialogHandlers(), 0) << "a dialog the test waited for never opened"; }

    // A folder where "Do!" with the job below marks the first two rows as refused: each new name
    // belongs to the file of the next row.
    static void fillRefusedFolder(const TempFolder& dir)
    {
        for (const char* name : {"photo_001.jpg", "photo_002.jpg", "photo_003.jpg"})
            dir.write(name, name);
    }
    static std::unique_ptr<TForm1> refusedJob(const TempFolder& dir)
    {
        auto form = makeWindow({dir.path()});
        form->show();
        form->pattern->setEditText("(.*)");
        form->RepStr->setEditText("photo_\\\\\\");
        form->seqstart->setText("2");
        return form;
    }
};

TEST(Contrast, RatiosAsTheGuidelinesMeasureThem)
{
    struct Case {
        const char* name;
        QColor a, b;
        double ratio;
    };
    const Case cases[] = {
        {"black on white", Qt::black, Qt::white, 21.0},
        {"the same colour", QColor(120, 30, 200), QColor(120, 30, 200), 1.0},
        {"order does not count", Qt::white, Qt::black, 21.0},
        {"grey 777 on white", QColor(0x77, 0x77, 0x77), Qt::white, 4.48},
        {"near-white on pale amber", QColor(252, 252, 252), QColor(255, 236, 179), 1.14},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(contrastRatio(c.a, c.b), c.ratio, 0.01) << c.name;
}

TEST_F(AccessibilityTest, RefusedRowsReadUnderLightAndDarkPalettes)
{
    TempFolder dir;
    fillRefusedFolder(dir);
    auto form = refusedJob(dir);
    const QPalette kept = QApplication::palette();
    struct Case {
        const char* name;
        QPalette palette;
    };
    const Case cases[] = {{"light", QApplication::style()->standardPalette()}, {"dark", darkPalette()}};
    for (const Case& c : cases) {
        QApplication::setPalette(c.palette);
        whenDialogShows(*form, [&](TRenameReport& report) {
            const ConfirmRowModel& m = *report.model();
            for (int r = 0; r < m.rowCount(); ++r) {
                for (int column = 0; column < ConfirmRowModel::ColumnCount; ++column) {
                    const QModelIndex cell = m.index(r, column);
                    const QVariant background = m.data(cell, Qt::BackgroundRole);
                    const QVariant text = m.data(cell, Qt::ForegroundRole);
                    // A colour set on one side only would meet the palette's on the other.
                    EXPECT_EQ(background.isValid(), text.isValid()) << c.name << " row " << r;
                    const QColor back =
                        background.isValid() ? background.value<QColor>() : c.palette.color(QPalette::Base);
                    const QColor fore = text.isValid() ? text.value<QColor>() : c.palette.color(QPalette::Text);
                    EXPECT_GE(contrastRatio(fore, back), 4.5) << c.name << " row " << r << " column " << column;
                }
            }
            EXPECT_TRUE(m.refused(0));  // a tinted row was among them
            EXPECT_TRUE(m.data(m.index(0, 0), Qt::BackgroundRole).isValid());
        });
        form->ButtonDoit->click();
    }
    QApplication::setPalette(kept);
}

}  // namespace
