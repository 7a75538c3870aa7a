import QtQuick
import "context"

// The folder selector of a custom scan. The tree of folders is a widget laid
// over the item "center"; the page draws the window around it.
Image {
    id: page

    signal close()
    signal accept()

    width: 423
    height: 410
    source: "qrc:/ui/qml/image/scan/custom_background.png"

    component DialogButton: Button {
        property string label
        y: 10
        width: 72
        height: 24
        normal_image: "qrc:/ui/qml/image/scan/details_1.png"
        hot_image: "qrc:/ui/qml/image/scan/details_2.png"
        pushed_image: "qrc:/ui/qml/image/scan/details_3.png"
        Text {
            anchors.fill: parent
            text: parent.label
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 14
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    Rectangle {
        id: header
        objectName: "topHeader"
        anchors.top: parent.top
        width: parent.width
        height: 38
        color: "transparent"

        Text {
            x: 12
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            text: qsTr("Choose the folders to scan")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 15
        }

        Button {
            objectName: "closeButton"
            anchors.top: parent.top
            anchors.topMargin: 8
            anchors.right: parent.right
            anchors.rightMargin: 13
            width: 22
            height: 22
            normal_image: "qrc:/ui/qml/image/home_page/Close_1.png"
            hot_image: "qrc:/ui/qml/image/home_page/Close_2.png"
            pushed_image: "qrc:/ui/qml/image/home_page/Close_3.png"
            onClicked: page.close()
        }
    }

    Rectangle {
        objectName: "center"
        anchors.top: header.bottom
        anchors.topMargin: 10
        anchors.bottom: buttonBar.top
        anchors.bottomMargin: 10
        anchors.left: parent.left
        anchors.leftMargin: 1
        anchors.right: parent.right
        anchors.rightMargin: 1
        color: "transparent"
    }

    Rectangle {
        id: buttonBar
        anchors.bottom: parent.bottom
        width: parent.width
        height: 45
        color: "transparent"

        DialogButton {
            objectName: "scanButton"
            x: 260
            label: qsTr("Scan")
            onClicked: page.accept()
        }
        DialogButton {
            objectName: "cancelButton"
            x: 340
            label: qsTr("Cancel")
            onClicked: page.close()
        }
    }
}
