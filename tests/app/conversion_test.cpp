// The glue between the toolkit and Qt: bitmaps as images, filters as Qt's dialog takes them, the
// progress sink and the one place failures are caught.
#include <QCoreApplication>
#include <QProgressBar>
#include <new>

#include "app/bitmap_image.h"
#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/progress_bar_sink.h"
#include "app_test_support.h"
#include "toolkit/exception.h"

namespace ombrisk::testing {
namespace {

struct TDepth {
  const char* Name;
  TPixelFormat Format;
};

class BitmapImageTest : public ::testing::TestWithParam<TDepth> {};

TEST_P(BitmapImageTest, KeepsEveryPixelsColour) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(5, 3);
  const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x123456};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bitmap.SetPixel(x, y, colours[(x + 2 * y) % 6]);
  bitmap.SetPixelFormat(GetParam().Format);

  const QImage image = ToQImage(bitmap);
  ASSERT_EQ(image.size(), QSize(5, 3));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const TColor colour = bitmap.GetPixel(x, y);
      const QRgb shown = image.pixel(x, y);
      EXPECT_EQ(qRed(shown), colour & 0xFF) << x << "," << y;
      EXPECT_EQ(qGreen(shown), (colour >> 8) & 0xFF) << x << "," << y;
      EXPECT_EQ(qBlue(shown), (colour >> 16) & 0xFF) << x << "," << y;
      EXPECT_EQ(qAlpha(shown), 255);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapImageTest,
                         ::testing::Values(TDepth{"Bits24", TPixelFormat::pf24bit}, TDepth{"Bits32", TPixelFormat::pf32bit},
                                           TDepth{"Bits8", TPixelFormat::pf8bit}),
                         TByName());

TEST(QtNameFilters, EachPairKeepsItsDescriptionAndGetsItsPatternsBlankSeparated) {
  EXPECT_EQ(QtNameFilters("すべてのファイル (*.png;*.jpg)|*.png;*.jpg|PNG Format (*.png)|*.png"),
            (QStringList{QStringLiteral("すべてのファイル (*.png;*.jpg) (*.png *.jpg)"),
                         QStringLiteral("PNG Format (*.png) (*.png)")}));
  EXPECT_EQ(QtNameFilters("Wave sound (*.wav)|*.wav|All files (*.*)|*.*"),
            (QStringList{QStringLiteral("Wave sound (*.wav) (*.wav)"), QStringLiteral("All files (*.*) (*)")}));
  EXPECT_TRUE(QtNameFilters("").isEmpty());
  // A description without its pattern is no pair.
  EXPECT_TRUE(QtNameFilters("Lonely").isEmpty());
}

struct TProgressStep {
  const char* Name;
  int Maximum;
  int Position;
  int ShownMaximum;
  int ShownPosition;
};

class ProgressBarSinkTest : public ::testing::TestWithParam<TProgressStep> {};

TEST_P(ProgressBarSinkTest, ShowsPositionsWithinTheRange) {
  QProgressBar bar;
  TProgressBarSink sink(bar);
  sink.SetMax(GetParam().Maximum);
  sink.SetPosition(GetParam().Position);
  EXPECT_EQ(bar.minimum(), 0);
  EXPECT_EQ(bar.maximum(), GetParam().ShownMaximum);
  EXPECT_EQ(bar.value(), GetParam().ShownPosition);
}

INSTANTIATE_TEST_SUITE_P(Steps, ProgressBarSinkTest,
                         ::testing::Values(TProgressStep{"Inside", 99, 40, 99, 40},
                                           TProgressStep{"AtTheEnd", 99, 99, 99, 99},
                                           TProgressStep{"BeyondTheEnd", 99, 150, 99, 99},
                                           TProgressStep{"BelowZero", 99, -3, 99, 0},
                                           // One column: a 0..0 range would be Qt's busy animation.
                                           TProgressStep{"OneColumn", 0, 0, 1, 0},
                                           TProgressStep{"NoColumn", -1, 0, 1, 0}),
                         TByName());

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

TEST(ProgressBarSink, RepaintsAtOnceWithoutTheEventLoop) {
  QProgressBar bar;
  bar.show();
  QCoreApplication::processEvents();
  TPaintCounter counter;
  bar.installEventFilter(&counter);
  TProgressBarSink sink(bar);
  sink.SetMax(10);
  const int afterMax = counter.Paints;
  EXPECT_GE(afterMax, 1);
  sink.SetPosition(4);
  EXPECT_GT(counter.Paints, afterMax);
  // The same position again draws nothing new.
  const int afterMove = counter.Paints;
  sink.SetPosition(4);
  EXPECT_EQ(counter.Paints, afterMove);
}

struct TFailure {
  const char* Name;
  std::function<void()> Throw;
  std::string Shown;
};

class RunActionTest : public ::testing::TestWithParam<TFailure> {};

TEST_P(RunActionTest, ShowsTheTextUnderThePeriodRuleOnce) {
  TRecordedErrors errors;
  EXPECT_FALSE(RunAction(errors, GetParam().Throw));
  EXPECT_EQ(errors.Shown, std::vector<std::string>{GetParam().Shown});
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RunActionTest,
    ::testing::Values(TFailure{"Plain", [] { throw EInvalidGraphic("ビットマップイメージが不正です"); },
                               "ビットマップイメージが不正です."},
                      TFailure{"EndsInBlank", [] { throw EFOpenError("ファイル x は開けません。 reason "); },
                               "ファイル x は開けません。 reason "},
                      TFailure{"EndsInPeriod", [] { throw Exception("done."); }, "done."},
                      TFailure{"Empty", [] { throw Exception(""); }, ""},
                      TFailure{"OutOfMemory", [] { throw std::bad_alloc(); }, std::string(kSOutOfMemory) + "."},
                      TFailure{"Standard", [] { throw std::runtime_error("odd"); }, "odd."}),
    TByName());

TEST(RunAction, ASuccessfulActionShowsNothing) {
  TRecordedErrors errors;
  int runs = 0;
  EXPECT_TRUE(RunAction(errors, [&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(errors.Shown.empty());
}

}  // namespace
}  // namespace ombrisk::testing
