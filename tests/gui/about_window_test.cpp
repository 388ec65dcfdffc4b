#include "app/gui/about_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_texts.h"
#include "app/gui/about_pictures.h"
#include "tests/gui/scripted_dialogs.h"

namespace zandrel {
namespace {

class AboutWindowTest : public ::testing::Test {
 protected:
  AboutWindowTest() : context_(table_, dialogs_) { table_.InitMessageTable(); }

  MessageTable table_{QStringLiteral(ZANDREL_SOURCE_DIR "/lang")};
  test::ScriptedDialogs dialogs_;
  AppContext context_;
};

TEST_F(AboutWindowTest, ShowsPicturesAndTextsUnclipped) {
  for (int point_size : {9, 16, 28}) {
    SCOPED_TRACE(point_size);
    QWidget parent;
    QFont font = parent.font();
    font.setPointSize(point_size);
    parent.setFont(font);  // the main window's font reaches the About window
    AboutWindow window(&parent, context_, {});
    EXPECT_EQ(window.windowTitle(), "About...");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2 + kAboutLineCount);
    EXPECT_EQ(labels[0]->pixmap().toImage(), LogoImage().convertToFormat(labels[0]->pixmap().toImage().format()));
    EXPECT_EQ(labels[0]->size(), QSize(128, 128));
    EXPECT_EQ(window.LinkPicture()->size(), QSize(147, 47));
    const auto texts = AboutTexts();
    for (int i = 0; i < kAboutLineCount; ++i) {
      QLabel* line = labels[1 + i];
      EXPECT_EQ(line->text(), texts[i]);
      EXPECT_EQ(line->font().pointSize(), point_size);
      EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance(texts[i]));
      EXPECT_GE(line->height(), line->sizeHint().height());
    }
    EXPECT_GE(window.OkButton()->width(), window.OkButton()->sizeHint().width());
    EXPECT_TRUE(window.rect().contains(window.OkButton()->geometry()));
    EXPECT_FALSE(window.OkButton()->geometry().intersects(window.LinkPicture()->geometry()));
  }
}

TEST_F(AboutWindowTest, LinkOpensTheShippedReadmeAndClosesOkCloses) {
  const QString readme = ShippedReadmePath(QApplication::applicationDirPath());
  ASSERT_FALSE(readme.isEmpty()) << "the build copies README.md below share/doc/zandrel";
  EXPECT_TRUE(readme.endsWith("/share/doc/zandrel/README.md"));

  // ShowAbout runs its own loop until the window closes: the clicks come from inside that loop.
  QTimer::singleShot(0, [] {
    auto* window = dynamic_cast<AboutWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->LinkPicture(), Qt::RightButton);  // not a link click
    QTest::mouseClick(window->LinkPicture(), Qt::LeftButton, {}, QPoint(70, 20));
  });
  ShowAbout(nullptr, context_);
  EXPECT_EQ(dialogs_.opened, QStringList{readme});

  QTimer::singleShot(0, [] {
    auto* window = dynamic_cast<AboutWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->OkButton(), Qt::LeftButton);
  });
  ShowAbout(nullptr, context_);
  EXPECT_EQ(dialogs_.opened.size(), 1);
}

}  // namespace
}  // namespace zandrel
