import QtQuick
import "context"

// The about window: what the disk is for, and the share buttons. No header
// item, so the whole window is a handle for dragging.
Image {
    width: 563
    height: 305
    source: "image/about/bg.png"

    component ShareButton: Button {
        property string name
        property string act
        y: 250
        width: 31
        height: 31
        normal_image: "qrc:/ui/qml/image/about/" + name + "_1.png"
        hot_image: "qrc:/ui/qml/image/about/" + name + "_2.png"
        pushed_image: "qrc:/ui/qml/image/about/" + name + "_3.png"
        onClicked: Qt.openUrlExternally(makerSite + "/api2/krd_share.php?act=" + act)
    }

    Button {
        objectName: "closeButton"
        anchors.right: parent.right
        anchors.rightMargin: 6
        y: 10
        width: 22
        height: 22
        normal_image: "qrc:/ui/qml/image/home_page/Close_1.png"
        hot_image: "qrc:/ui/qml/image/home_page/Close_2.png"
        pushed_image: "qrc:/ui/qml/image/home_page/Close_3.png"
        onClicked: Qt.quit()
    }

    ShareButton { objectName: "facebookButton"; x: 26; name: "f"; act: "facebook" }
    ShareButton { objectName: "twitterButton"; x: 77; name: "t"; act: "twitter" }
    ShareButton { objectName: "googleButton"; x: 130; name: "G+"; act: "google" }

    Text {
        x: 11
        y: 11
        text: qsTr("About Quillmark Rescue Disk")
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 15
    }
    Text {
        x: 15
        y: 50
        text: qsTr("Quillmark Rescue Disk v1.0")
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 16
        font.bold: true
    }
    Text {
        x: 15
        y: 80
        width: 340
        height: 139
        text: qsTr("Quillmark Rescue Disk is designed to scan and remove stubborn malware or viruses (Mostly they are called Ransomware) that lock Windows system. When a computer was severely infected and it's Impossible to disinfect the computer using antivirus or malware removal program, in this case, the Quillmark Rescue Disk is capable of scanning & removing malware, and also repairing Windows registry effectively.")
        color: "#24313d"
        font.family: "Segoe UI"
        font.pixelSize: 13
        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
    }
    Text {
        x: 195
        y: 250
        text: qsTr("If you like our software")
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 13
        font.bold: true
    }
    Text {
        x: 195
        y: 266
        text: qsTr("Tell your friends about it,so they could get it")
        color: "#24313d"
        font.family: "Tahoma"
        font.pixelSize: 13
    }
}
