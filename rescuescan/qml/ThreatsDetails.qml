import QtQuick
import "context"

// The threats found so far, while the scan goes on, each with its Trust
// link. Dragged by its header only.
Image {
    width: 640
    height: 410
    source: "qrc:/ui/qml/image/scan/popup_dialog_background.png"

    Rectangle {
        id: header
        objectName: "topHeader"
        width: parent.width
        height: 38
        color: "transparent"

        Text {
            x: 12
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            text: qsTr("Threats found: %1").arg(threatsModel.count)
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 15
        }

        Button {
            objectName: "closeButton"
            x: 609
            y: 8
            width: 22
            height: 22
            normal_image: "qrc:/ui/qml/image/home_page/Close_1.png"
            hot_image: "qrc:/ui/qml/image/home_page/Close_2.png"
            pushed_image: "qrc:/ui/qml/image/home_page/Close_3.png"
            onClicked: Qt.quit()
        }
    }

    Item {
        anchors.top: header.bottom
        anchors.bottom: bottomStrip.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        anchors.rightMargin: 12

        ListView {
            id: list
            objectName: "threatListView"
            anchors.fill: parent
            anchors.margins: 2
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: threatsModel
            delegate: ThreatListItem {}
        }

        ScrollBar {
            anchors.right: list.right
            anchors.top: list.top
            width: 8
            height: list.height
            scrollArea: list
        }
    }

    Item {
        id: bottomStrip
        width: parent.width
        height: 27
        anchors.bottom: parent.bottom
    }
}
