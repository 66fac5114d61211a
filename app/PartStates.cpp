#include "app/PartStates.h"

#include "app/AppState.h"
#include "app/SliderTable.h"

#include <utility>

void SendPartStates(AppState& state) {
    for (int part = 1; part <= 16; ++part) {
        const auto& column = state.PartParams.at(part);
        const int channel = partChannel(column[PartRow::Channel]);
        if (column[PartRow::ProgramFlag] == 1)
            SendProgramChange(state.midi, channel, column[PartRow::ProgramNumber] - 1);
        for (int k = 0; k < SliderCount; ++k) {
            std::uint32_t message = 0;
            if (!SliderMessage(k, column[Sliders[k].partRow], message))
                continue;
            state.midi.sendShort(message | static_cast<std::uint32_t>(channel));
        }
    }
}

void SendMasterKbState(AppState& state) {
    if (!state.IsWindowOpen(WindowKind::MasterKb))
        return;
    const auto& element = state.MasterKbSettings;
    for (int k = 0; k < SliderCount; ++k) {
        std::uint32_t message = 0;
        if (!SliderMessage(k, element.at(Sliders[k].masterKbElement), message))
            continue;
        for (int n = 1; n <= 16; ++n) {
            if (element.at(MasterKbElement::FirstChannel + n - 1) != 1)
                continue;
            state.midi.sendShort(message | static_cast<std::uint32_t>(n - 1));
        }
    }
}

void SendAllStates(AppState& state) {
    SendPartStates(state);
    SendMasterKbState(state);
}

bool SwitchOutput(AppState& state, std::unique_ptr<MidiPort> port, bool report) {
    if (!state.midi.ReplacePort(std::move(port), report))
        return false;
    SendAllStates(state);
    return state.midi.outputEnabled();
}

std::array<std::string, 16> MidiFileTrackNames(const AppState& state) {
    std::array<std::string, 16> names;
    for (int channel = 0; channel < 16; ++channel) {
        std::string& name = names[static_cast<std::size_t>(channel)];
        name = "Channel " + std::to_string(channel + 1);
        if (state.IsWindowOpen(WindowKind::MasterKb) &&
            state.MasterKbSettings.at(MasterKbElement::FirstChannel + channel) == 1)
            name = "Master keyboard";
        for (int part = 16; part >= 1; --part)
            if (partChannel(state.PartParams.at(part)[PartRow::Channel]) == channel)
                name = "Part " + std::to_string(part);
    }
    return names;
}

std::array<ChannelState, 16> ShownChannelStates(const AppState& state) {
    std::array<ChannelState, 16> shown;
    std::array<bool, 16> byPart{};
    const auto apply = [&shown](int channel, std::uint32_t message) {
        shown[static_cast<std::size_t>(channel)].apply(static_cast<std::uint8_t>(message & 0xFF),
                                                       static_cast<std::uint8_t>(message >> 8),
                                                       static_cast<std::uint8_t>(message >> 16));
    };
    for (int part = 1; part <= 16; ++part) {
        const auto& column = state.PartParams.at(part);
        const int channel = partChannel(column[PartRow::Channel]);
        if (std::exchange(byPart[static_cast<std::size_t>(channel)], true))
            continue; // the first part on the channel is the one shown
        if (column[PartRow::ProgramFlag] == 1)
            apply(channel, PackShortMessage(MidiStatus::ProgramChange,
                                            column[PartRow::ProgramNumber] - 1u, 0));
        for (int k = 0; k < SliderCount; ++k)
            if (std::uint32_t message = 0; SliderMessage(k, column[Sliders[k].partRow], message))
                apply(channel, message);
    }
    if (!state.IsWindowOpen(WindowKind::MasterKb))
        return shown;
    const auto& element = state.MasterKbSettings;
    for (int n = 0; n < 16; ++n) {
        if (byPart[static_cast<std::size_t>(n)] ||
            element.at(MasterKbElement::FirstChannel + n) != 1)
            continue;
        for (int k = 0; k < SliderCount; ++k)
            if (std::uint32_t message = 0;
                SliderMessage(k, element.at(Sliders[k].masterKbElement), message))
                apply(n, message);
    }
    return shown;
}
