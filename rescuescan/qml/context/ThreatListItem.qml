import QtQuick
import NativeQuickWidgets 1.0

// One threat: its name, its file and a Trust link that drops it from the
// list without touching the file.
Rectangle {
    id: row

    required property int index
    required property string name
    required property string file

    width: ListView.view ? ListView.view.width : 543
    height: 42
    color: "transparent"

    Image {
        x: 3
        y: 3
        width: 33
        height: 36
        source: "../image/scan/icon.png"
    }
    Text {
        objectName: "threatName"
        x: 45
        y: 3
        width: 168
        height: 17
        text: row.name
        color: "#555555"
        font.family: "Tahoma"
        font.pixelSize: 14
        font.bold: true
        elide: Text.ElideRight
    }
    Text {
        objectName: "threatFile"
        x: 45
        y: 23
        width: 403
        height: 14
        text: row.file
        color: "#606060"
        font.family: "Tahoma"
        font.pixelSize: 12
        elide: Text.ElideMiddle
    }

    // The link's text may be a pixel wider than its 33 pixels: it grows to
    // the left, from where the link ends.
    Item {
        objectName: "trustLink"
        anchors.right: parent.right
        anchors.rightMargin: 20
        y: 12
        width: 33
        height: 18

        Text {
            anchors.right: parent.right
            height: parent.height
            text: qsTr("Trust")
            color: "#0645ad"
            font.family: "Tahoma"
            font.pixelSize: 15
            font.underline: true
        }
        MouseArea {
            anchors.fill: parent
            onClicked: engine.trustThreat(row.index)
        }
        CursorArea {
            anchors.fill: parent
            cursorShape: "hand"
        }
    }

    Rectangle {
        x: 3
        width: parent.width - 6
        height: 1
        anchors.bottom: parent.bottom
        color: "#EEEEEE"
    }
}
