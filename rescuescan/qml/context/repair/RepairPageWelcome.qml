import QtQuick
import NativeQuickWidgets 1.0
import ".."

// The repair page's start: what it does, Scan, and Restore of the backups.
Rectangle {
    id: view

    signal action(string x)

    width: 570
    height: 413
    color: "transparent"

    Image {
        x: 8
        y: 19
        width: 547
        height: 78
        source: "../../image/repair/bg_1.png"

        Image {
            x: 12
            y: 4
            width: 59
            height: 71
            source: "../../image/repair/registry_icon.png"
        }
        Text {
            x: 83
            y: 4
            width: 382
            height: 71
            text: qsTr("Rescue System and Fix Windows Registry")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 22
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignLeft
            verticalAlignment: Text.AlignVCenter
        }
    }

    Text {
        x: 20
        y: 111
        width: 535
        height: 73
        text: qsTr("Rescue and repair your system by fixing Windows Registry that might have been changed by malware.")
        color: "#24313d"
        font.family: "Tahoma"
        font.pixelSize: 12
        wrapMode: Text.WordWrap
    }

    Button {
        objectName: "repairScanButton"
        x: 190
        y: 227
        width: 183
        height: 53
        normal_image: Qt.resolvedUrl("../../image/repair/scan security problem_1.png")
        hot_image: Qt.resolvedUrl("../../image/repair/scan security problem_2.png")
        pushed_image: Qt.resolvedUrl("../../image/repair/scan security problem_3.png")
        onClicked: view.action("scan")
        Text {
            anchors.fill: parent
            text: qsTr("Scan")
            color: "white"
            font.family: "Tahoma"
            font.pixelSize: 22
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    Item {
        objectName: "restoreLink"
        x: 373
        y: 250
        width: 80
        height: 30

        Text {
            anchors.fill: parent
            text: qsTr("Restore")
            color: "#0645ad"
            font.family: "Tahoma"
            font.pixelSize: 15
            font.underline: true
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        MouseArea {
            anchors.fill: parent
            onClicked: repair_engine.Restore()
        }
        CursorArea {
            anchors.fill: parent
            cursorShape: "hand"
        }
    }
}
