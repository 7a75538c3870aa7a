import QtQuick
import NativeQuickWidgets 1.0

// The task column: Scan and Repair. A click selects a row (state select1 or
// select2) and tells the frame, which shows the matching page.
Rectangle {
    id: navigate

    signal selectChanged(string state)

    width: 220
    height: 100
    color: "transparent"

    component Task: Item {
        id: task
        property string icon
        property string label
        property string selects
        width: navigate.width

        Image {
            x: 21
            y: 9
            width: 28
            height: 32
            source: Qt.resolvedUrl("../image/home_page/" + task.icon)
        }
        Text {
            x: 62
            y: 9
            width: 145
            height: 32
            text: task.label
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 23
            verticalAlignment: Text.AlignVCenter
        }
        MouseArea {
            anchors.fill: parent
            onClicked: {
                navigate.state = task.selects
                navigate.selectChanged(task.selects)
            }
        }
        CursorArea {
            anchors.fill: parent
            cursorShape: "hand"
        }
    }

    Image {
        id: selection
        objectName: "selection"
        y: 0
        width: 220
        height: 50
        source: "../image/home_page/btn_bg_3.png"
    }

    Task {
        objectName: "scanTask"
        y: 0
        height: 50
        icon: "scan.png"
        label: qsTr("Scan")
        selects: "select1"
    }
    Task {
        objectName: "repairTask"
        y: 50
        height: 54
        icon: "Anti-Hacker.png"
        label: qsTr("Repair")
        selects: "select2"
    }

    states: [
        State { name: "select1"; PropertyChanges { target: selection; y: 0 } },
        State { name: "select2"; PropertyChanges { target: selection; y: 50 } }
    ]
    transitions: Transition {
        NumberAnimation { property: "y"; duration: 200; easing.type: Easing.OutQuart }
    }
}
