#include "platform/qt_sound_output.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/link/dtmf_tones.h"
#include "tests/platform/ensure_application.h"

namespace kelp {
namespace {

// Whether or not this machine has a sound device, playing a digit ends within its length
// and the grace time, and a failure comes with a reason.
TEST(QtSoundOutput, PlayingADigitEndsWithOrWithoutASoundDevice) {
    ensureApplication();
    QtSoundOutput output;
    QElapsedTimer elapsed;
    elapsed.start();
    const bool played = output.play(toneWav(697, 1209, kDtmfDigitSeconds));
    EXPECT_LT(elapsed.elapsed(), 100 + 300 + QtSoundOutput::kGraceMs + 500);
    if (played) {
        EXPECT_GE(elapsed.elapsed(), 80);  // synchronous: the sound has been played
    } else {
        EXPECT_FALSE(output.errorText().empty());
    }
}

TEST(QtSoundOutput, RefusesWhatIsNotAPcmWav) {
    ensureApplication();
    QtSoundOutput output;
    EXPECT_FALSE(output.play({'R', 'I', 'F', 'F', 0, 0}));
    EXPECT_EQ(output.errorText(), "not a WAV file");
    EXPECT_FALSE(output.playFile("/nonexistent/kelp.wav"));
    EXPECT_NE(output.errorText().find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace kelp
