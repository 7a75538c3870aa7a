import QtQuick

// One repair item: its text, and its state as an icon and a word. The words
// are the program's own and are not translated.
Rectangle {
    id: row

    required property string description
    required property int status

    width: ListView.view ? ListView.view.width : 547
    height: 40
    color: "transparent"
    state: ["noproblem", "foundproblem", "repairing", "fixed"][status] || "noproblem"

    // A long section name takes a second line rather than run under the
    // icon; one line stands where the state text does.
    Text {
        objectName: "itemText"
        x: 12
        width: 388
        height: parent.height
        text: row.description
        color: "#17324d"
        font.family: "Tahoma"
        font.pointSize: 11
        lineHeight: 0.9
        wrapMode: Text.WordWrap
        maximumLineCount: 2
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }

    Image {
        id: icon
        objectName: "stateIcon"
        x: 406
        y: 9
        width: 22
        height: 22
    }
    Image {
        id: spinner
        objectName: "repairingSpinner"
        x: 406
        y: 9
        width: 22
        height: 22
        visible: false
        source: "../../image/repair/repairing_force.png"
        RotationAnimation on rotation {
            running: spinner.visible
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
        }
    }
    Text {
        id: stateText
        objectName: "stateText"
        x: 433
        y: 11
        width: 100
        color: "#333333"
        font.family: "Tahoma"
        font.pointSize: 11
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#10000000"
    }

    states: [
        State {
            name: "noproblem"
            PropertyChanges { target: icon; source: "../../image/repair/ok.png" }
            PropertyChanges { target: stateText; text: "NoProblem" }
        },
        State {
            name: "foundproblem"
            PropertyChanges { target: icon; source: "../../image/repair/warning.png" }
            PropertyChanges { target: stateText; text: "FoundProblem" }
        },
        State {
            name: "repairing"
            PropertyChanges { target: icon; source: "../../image/repair/repairing.png" }
            PropertyChanges { target: stateText; text: "Repairing" }
            PropertyChanges { target: spinner; visible: true }
        },
        State {
            name: "fixed"
            PropertyChanges { target: icon; source: "../../image/repair/repair_ok.png" }
            PropertyChanges { target: stateText; text: "Fixed" }
        }
    ]
}
