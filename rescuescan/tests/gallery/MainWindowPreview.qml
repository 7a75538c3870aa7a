import QtQuick
import "qrc:/ui/qml/context"

// The main window's artwork laid out where the window puts it, with the
// welcome view's texts, to judge the pictures in place.
Image {
    width: 790
    height: 514
    source: "qrc:/ui/qml/image/home_page/korvo_rescue_disk_bg.png"

    component HeaderButton: Button {
        property string name
        width: 22
        height: 22
        normal_image: "qrc:/ui/qml/image/home_page/" + name + "_1.png"
        hot_image: "qrc:/ui/qml/image/home_page/" + name + "_2.png"
        pushed_image: "qrc:/ui/qml/image/home_page/" + name + "_3.png"
    }

    component Caption: Text {
        font.family: "Tahoma"
    }

    Image { x: 17; y: 17; source: "qrc:/ui/qml/image/home_page/korvo_rescue_disk_logo.png" }
    HeaderButton { name: "Close"; x: 790 - 5 - 22; y: 5 }
    HeaderButton { name: "small"; x: 790 - 5 - 22 - 5 - 22; y: 5 }
    HeaderButton { name: "Help"; x: 790 - 5 - 22 - 5 - 22 - 10 - 22; y: 5 }
    HeaderButton { name: "facebook"; x: 790 - 98 - 22; y: 40 }
    HeaderButton { name: "twitter"; x: 790 - 60 - 22; y: 40 }
    HeaderButton { name: "G+"; x: 790 - 22 - 22; y: 40 }

    Item {
        x: 0
        y: 76 + 10
        width: 220
        height: 104
        Image { y: 0; source: "qrc:/ui/qml/image/home_page/btn_bg_3.png" }
        Image { x: 21; y: 9; source: "qrc:/ui/qml/image/home_page/scan.png" }
        Caption { x: 62; y: 9; width: 145; height: 32; text: "Scan"; font.pixelSize: 23; verticalAlignment: Text.AlignVCenter }
        Image { x: 21; y: 59; source: "qrc:/ui/qml/image/home_page/Anti-Hacker.png" }
        Caption { x: 62; y: 59; width: 145; height: 32; text: "Repair"; font.pixelSize: 23; verticalAlignment: Text.AlignVCenter }
    }

    Item {
        x: 220
        y: 76
        width: 570
        height: 413

        Repeater {
            model: [
                { image: "Fast_Scan", caption: "Flash Scan" },
                { image: "Scan_Computer", caption: "Scan Computer" },
                { image: "Scan_Special_location", caption: "Scan Special location" }
            ]
            Item {
                x: index * 187
                y: 97
                width: 180
                height: 206
                Image { source: "qrc:/ui/qml/image/home_page/" + modelData.image + (index == 1 ? "_2.png" : "_1.png") }
                Caption {
                    y: 180
                    width: 180
                    height: 26
                    text: modelData.caption
                    font.pixelSize: 18
                    color: "#17324d"
                    horizontalAlignment: Text.AlignHCenter
                }
            }
        }

        Caption {
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 2
            text: "Cloud Engine Version: 1.0"
            font.pixelSize: 12
            color: "white"
        }
    }

    Caption {
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 5
        text: "Cloud Status: Connected"
        font.pixelSize: 12
        color: "black"
    }
}
