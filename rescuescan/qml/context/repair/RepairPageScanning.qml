import QtQuick
import NativeQuickWidgets 1.0
import ".."

// The registry scan and repair: one header for each state, over the list of
// items. A scan that could not finish, or a repair that did not land for
// every item, has a header of its own that says so and why.
Rectangle {
    id: view

    signal action(string x)

    function show(x) {
        view.state = x
    }

    width: 570
    height: 413
    color: "transparent"
    state: "problem"

    component Header: Image {
        property string name
        objectName: name + "Header"
        x: 8
        y: 19
        width: 547
        height: 78
        visible: false
        source: "../../image/repair/bg_1.png"
    }

    component Title: Text {
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 15
    }

    component HeaderButton: Button {
        property string label
        property bool accent: false
        x: 422
        y: 25
        width: 107
        height: 28
        normal_image: Qt.resolvedUrl(accent ? "../../image/repair/fixnow_1.png" : "../../image/scan/btn_bg_1.png")
        hot_image: Qt.resolvedUrl(accent ? "../../image/repair/fixnow_2.png" : "../../image/scan/btn_bg_2.png")
        pushed_image: Qt.resolvedUrl(accent ? "../../image/repair/fixnow_3.png" : "../../image/scan/btn_bg_3.png")
        Text {
            anchors.fill: parent
            text: parent.label
            color: parent.accent ? "white" : "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 14
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    component Progress: ProgressBar {
        x: 88
        y: 34
        width: 324
        height: 20
        value: repair_engine.scannedCount
        maxvalue: repair_engine.totalCount
        bk_image: Qt.resolvedUrl("../../image/scan/progress_bar_bg.png")
        force_image_1: Qt.resolvedUrl("../../image/scan/progress_bar_left.png")
        force_image_2: Qt.resolvedUrl("../../image/scan/progress_bar_center.png")
        force_image_3: Qt.resolvedUrl("../../image/scan/progress_bar_right.png")
    }

    component OkIcon: Image {
        x: 16
        y: 4
        width: 59
        height: 71
        source: "../../image/repair/icon_ok.png"
    }

    component WarningIcon: Image {
        x: 17
        y: 7
        width: 50
        height: 61
        source: "../../image/warning/icon.png"
    }

    // Why a scan or a repair did not go as it should, below the headline.
    component FailureText: Text {
        x: 88
        y: 31
        width: 324
        height: 44
        text: repair_engine.failure
        color: "#a93030"
        font.family: "Tahoma"
        font.pixelSize: 11
        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
        elide: Text.ElideRight
        maximumLineCount: 3
    }

    Header {
        id: scanningHeader
        name: "scanning"
        RepairAnimation { x: 15; y: 5; run: scanningHeader.visible }
        Title { x: 88; y: 11; text: qsTr("Scan for potential problems existed in system.") }
        Progress { objectName: "scanProgress" }
        HeaderButton {
            objectName: "repairStopButton"
            label: qsTr("Stop")
            onClicked: repair_engine.abort()
        }
    }

    Header {
        id: problemHeader
        name: "problem"
        WarningIcon {}
        Title { x: 88; y: 30; text: qsTr("Problems Found") }
        Item {
            objectName: "repairBackLink"
            x: 360
            y: 30
            width: backText.implicitWidth
            height: backText.implicitHeight
            Text {
                id: backText
                text: qsTr("Back")
                color: "#0645ad"
                font.family: "Tahoma"
                font.pixelSize: 15
                font.underline: true
            }
            MouseArea {
                anchors.fill: parent
                onClicked: {
                    if (viewer.alert(qsTr('Warning'), qsTr('Are you sure to abort?')))
                        view.action("back")
                }
            }
            CursorArea {
                anchors.fill: parent
                cursorShape: "hand"
            }
        }
        HeaderButton {
            objectName: "repairButton"
            label: qsTr("Repair")
            accent: true
            onClicked: {
                view.show("repairing")
                repair_engine.Repair()
            }
        }
    }

    Header {
        id: repairingHeader
        name: "repairing"
        RepairAnimation { x: 15; y: 5; run: repairingHeader.visible }
        Title { x: 88; y: 11; text: qsTr("Repairing...") }
        Progress { objectName: "repairProgress" }
    }

    Header {
        id: noproblemHeader
        name: "noproblem"
        OkIcon {}
        Title { x: 88; y: 30; text: qsTr("No Problems Found") }
        HeaderButton {
            objectName: "noproblemOkButton"
            label: qsTr("OK")
            onClicked: view.action("welcome")
        }
    }

    Header {
        id: completeHeader
        name: "repair_complete"
        OkIcon {}
        Title { x: 88; y: 30; text: qsTr("Successfully Repaired.") }
        HeaderButton {
            objectName: "completeOkButton"
            label: qsTr("OK")
            onClicked: view.action("welcome")
        }
    }

    Header {
        id: failedHeader
        name: "failed"
        WarningIcon {}
        Title { x: 88; y: 11; text: qsTr("The registry could not be scanned") }
        FailureText {}
        HeaderButton {
            objectName: "failedOkButton"
            label: qsTr("OK")
            onClicked: view.action("welcome")
        }
    }

    Header {
        id: repairFailedHeader
        name: "repair_failed"
        WarningIcon {}
        Title { x: 88; y: 11; text: qsTr("Not every problem could be repaired") }
        FailureText {}
        HeaderButton {
            objectName: "repairFailedOkButton"
            label: qsTr("OK")
            onClicked: view.action("welcome")
        }
    }

    RepairScanListView {
        objectName: "repairList"
        x: 8
        y: 100
        model: repair_scanning_model
    }

    states: [
        State { name: "scanning"; PropertyChanges { target: scanningHeader; visible: true } },
        State { name: "problem"; PropertyChanges { target: problemHeader; visible: true } },
        State { name: "repairing"; PropertyChanges { target: repairingHeader; visible: true } },
        State { name: "noproblem"; PropertyChanges { target: noproblemHeader; visible: true } },
        State { name: "repair_complete"; PropertyChanges { target: completeHeader; visible: true } },
        State { name: "failed"; PropertyChanges { target: failedHeader; visible: true } },
        State { name: "repair_failed"; PropertyChanges { target: repairFailedHeader; visible: true } }
    ]
}
