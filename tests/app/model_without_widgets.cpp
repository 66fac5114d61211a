// Linked with every object of the model layer and nothing above it (no Qt Widgets): a model source
// that used a widget would not link here. It runs the model's path from a device error to the
// message sink.
#include "app/AppState.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>

TEST(ModelWithoutWidgets, ADeviceErrorReachesTheMessageSink) {
    AppState state;
    RecordingSink sink;
    state.messages.setSink(&sink);
    state.LanguageBase = 200;
    // No port: no device. Without an application object the message waits to be shown.
    EXPECT_EQ(state.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(sink.shown().empty());
    state.messages.ShowPendingMessages();
    EXPECT_EQ(sink.texts(), std::vector{LoadResString(200 + MessageEntry(22))}); // under our title
}
