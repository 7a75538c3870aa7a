import QtQuick

// The choice of scan: three tiles, and the engine version in the corner.
Rectangle {
    id: view

    signal selectScan(string kind)

    width: 570
    height: 413
    color: "transparent"

    component ScanChoice: Item {
        id: choice
        property string image
        property string caption
        property string kind
        y: 97
        width: 180
        height: 206

        Button {
            objectName: choice.kind + "Button"
            width: 180
            height: 180
            normal_image: Qt.resolvedUrl("../image/home_page/" + choice.image + "_1.png")
            hot_image: Qt.resolvedUrl("../image/home_page/" + choice.image + "_2.png")
            pushed_image: Qt.resolvedUrl("../image/home_page/" + choice.image + "_2.png")
            onClicked: view.selectScan(choice.kind)
        }
        Text {
            y: 180
            width: 180
            height: 26
            text: choice.caption
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 18
            horizontalAlignment: Text.AlignHCenter
        }
    }

    ScanChoice {
        x: 0
        image: "Fast_Scan"
        caption: qsTr("Flash Scan")
        kind: "quickscan"
    }
    ScanChoice {
        x: 187
        image: "Scan_Computer"
        caption: qsTr("Scan Computer")
        kind: "fullscan"
    }
    ScanChoice {
        x: 374
        image: "Scan_Special_location"
        caption: qsTr("Scan Special location")
        kind: "customscan"
    }

    Text {
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 2
        horizontalAlignment: Text.AlignRight
        text: qsTr("Cloud Engine Version: 1.0")
        color: "white"
        font.family: "Tahoma"
        font.pixelSize: 12
    }
}
