import QtQuick
import "context"

// The main window: header with the logo and the window and share buttons,
// the task column, the centre holding the scan and repair pages, the cloud
// status line and the mask that dims everything while a dialog is open.
Image {
    id: root

    signal minimize()
    signal close()
    signal showAbout()

    width: 790
    height: 514
    source: "image/home_page/korvo_rescue_disk_bg.png"

    component HeaderButton: Button {
        property string name
        width: 22
        height: 22
        normal_image: Qt.resolvedUrl("image/home_page/" + name + "_1.png")
        hot_image: Qt.resolvedUrl("image/home_page/" + name + "_2.png")
        pushed_image: Qt.resolvedUrl("image/home_page/" + name + "_3.png")
    }

    component ShareButton: HeaderButton {
        property string act
        y: 40
        onClicked: Qt.openUrlExternally(makerSite + "/api2/krd_share.php?act=" + act)
    }

    // A page in the centre, shown or hidden by the task column; a hidden page
    // keeps its own view state.
    component CentrePage: Item {
        anchors.fill: parent
        clip: true
        states: [
            State { name: "show"; PropertyChanges { target: centrePage; opacity: 1 } },
            State { name: "hide"; PropertyChanges { target: centrePage; opacity: 0 } }
        ]
        transitions: Transition {
            NumberAnimation { property: "opacity"; duration: 200; easing.type: Easing.OutQuart }
        }
        id: centrePage
        enabled: opacity == 1
        visible: opacity > 0
    }

    Rectangle {
        id: mainFrame
        objectName: "mainFrame"
        anchors.fill: parent
        color: "transparent"

        function showMask(s) {
            mask.opacity = s ? 0.5 : 0.0
        }

        function onOnlineCheck(online) {
            cloudStatus.text = online ? qsTr('Cloud Status: Connected') : qsTr('Cloud Status: Unconnected')
        }

        Rectangle {
            id: topHeader
            objectName: "topHeader"
            width: parent.width
            height: 76
            color: "transparent"

            Image {
                x: 17
                y: 17
                width: 181
                height: 42
                source: "image/home_page/korvo_rescue_disk_logo.png"
            }

            HeaderButton {
                id: closeButton
                objectName: "closeButton"
                name: "Close"
                anchors.right: parent.right
                anchors.rightMargin: 5
                y: 5
                onClicked: root.close()
            }
            HeaderButton {
                id: minimizeButton
                objectName: "minimizeButton"
                name: "small"
                anchors.right: closeButton.left
                anchors.rightMargin: 5
                y: 5
                onClicked: root.minimize()
            }
            HeaderButton {
                objectName: "helpButton"
                name: "Help"
                anchors.right: minimizeButton.left
                anchors.rightMargin: 10
                y: 5
                onClicked: {
                    mainFrame.showMask(true)
                    root.showAbout()
                    mainFrame.showMask(false)
                }
            }

            ShareButton {
                objectName: "facebookButton"
                name: "facebook"
                act: "facebook"
                x: parent.width - 98 - width
            }
            ShareButton {
                objectName: "twitterButton"
                name: "twitter"
                act: "twitter"
                x: parent.width - 60 - width
            }
            ShareButton {
                objectName: "googleButton"
                name: "G+"
                act: "google"
                x: parent.width - 22 - width
            }
        }

        Item {
            id: leftColumn
            x: 0
            width: 220
            anchors.top: topHeader.bottom
            anchors.bottom: bottomBar.top

            Navigate {
                id: navigate
                objectName: "navigate"
                anchors.fill: parent
                anchors.topMargin: 10
                state: "select1"
                onSelectChanged: function(state) {
                    scanPage.state = state === "select1" ? "show" : "hide"
                    repairPage.state = state === "select2" ? "show" : "hide"
                }
            }
        }

        Item {
            id: centre
            anchors.left: leftColumn.right
            anchors.right: parent.right
            anchors.top: topHeader.bottom
            anchors.bottom: bottomBar.top

            CentrePage {
                id: scanPage
                objectName: "scanPageHolder"
                state: "show"

                PageScan {
                    objectName: "page_scan"
                    anchors.fill: parent
                    frame: mainFrame
                }
            }

            PageRepair {
                id: repairPage
                objectName: "page_repair"
                anchors.fill: parent
                state: "hide"
            }
        }

        Item {
            id: bottomBar
            width: parent.width
            height: 25
            anchors.bottom: parent.bottom

            Text {
                id: cloudStatus
                objectName: "cloudStatus"
                anchors.right: parent.right
                anchors.rightMargin: 10
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 5
                horizontalAlignment: Text.AlignRight
                font.family: "Tahoma"
                font.pixelSize: 12
                color: "black"
                text: ""
            }
        }

        Rectangle {
            id: mask
            objectName: "mask"
            anchors.fill: parent
            color: "black"
            opacity: 0
            Behavior on opacity { NumberAnimation { duration: 500; easing.type: Easing.OutQuart } }
        }
    }
}
