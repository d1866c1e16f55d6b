#pragma once

#include <QObject>

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    // Channel, Trigger, Horizontal (test_rules_channel.cpp)
    void channelTurnOffTextFollowsState();
    void voltsPerDivLabelsFollowTheProbe();
    void channelItemsDisabledWhileChannelOff();
    void bandwidthAndHfRejectionDisabledInDemo();
    void channelResetClampsTriggerLevelAndCentres();
    void mathRulesAndXYRefusal();
    void triggerSourceSelectOneOfN();
    void triggerFiftyPercentCentresTheLevel();
    void formatsFollowRunningAndXYFromRoll();
    void timeDivItemsTickAndLargeBufferRefusal();

    // Cursor, Measure, Display, Acquire, Utility, View (test_rules_other.cpp)
    void cursorTypesAndMouseModesExclude();
    void measureCommandsReachTheMeasurementSet();
    void menuBarClickShowsTheRulesState();
    void averageTextAndAcquisitionModeRules();
    void bufferSizeRulesWhileRunning();
    void interpolationFollowsTimeBase();
    void refusalsShowErrorAndChangeNothing();
    void commandsWithoutTheirWindowAreDisabled();
    void toolbarActionsFollowTheState();
    void contextMenuItemsAndZoomClicks();

    // Menus, pruning, accelerators, language (test_menus.cpp)
    void pruningPerModel_data();
    void pruningPerModel();
    void demoSettingOnlyInDemo();
    void acceleratorsDispatchOnTheMainWindow();
    void acceleratorsWorkInFullScreenAndWithSidebarFocus();
    void languageFileRelabelsAndDefaultRestores();
    void relabelWindowByControlId();
    void menuStylePaintsTicksGreyAndShortcuts();
    void menuWidthFollowsTexts();
};
