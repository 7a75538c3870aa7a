import QtQuick
import "repair"

// The repair page: the welcome page and the scanning page, slid between.
// The main window calls onScanFinished(x) when the repair controller reports
// the end of a scan ("scan") or a repair ("repair").
Rectangle {
    id: page

    function onScanFinished(x) {
        var problems = repair_engine.getProblemCount()
        console.log("problem: " + problems)
        console.log("finishe: " + x)
        if (x === "scan")
            scanningPage.show(repair_engine.failure !== "" ? "failed" : problems !== 0 ? "problem" : "noproblem")
        else if (x === "repair")
            scanningPage.show(problems !== 0 || repair_engine.failure !== "" ? "repair_failed" : "repair_complete")
    }

    width: 570
    height: 413
    color: "#00ffffff"
    clip: true
    enabled: opacity == 1
    visible: opacity > 0

    states: [
        State { name: "show"; PropertyChanges { target: page; opacity: 1 } },
        State { name: "hide"; PropertyChanges { target: page; opacity: 0 } }
    ]
    transitions: Transition {
        NumberAnimation { property: "opacity"; duration: 200; easing.type: Easing.OutQuart }
    }

    Rectangle {
        id: inner
        objectName: "repairPages"
        anchors.fill: parent
        color: "transparent"
        state: "welcome"

        RepairPageWelcome {
            id: welcomePage
            objectName: "repair_page_welcome"
            visible: opacity > 0
            onAction: function(x) {
                if (x === "scan" && repair_engine.Scan()) {
                    scanningPage.show("scanning")
                    inner.state = "scanning"
                }
            }
        }

        RepairPageScanning {
            id: scanningPage
            objectName: "repair_page_scanning"
            visible: opacity > 0
            onAction: function(x) {
                if (x === "welcome" || x === "back")
                    inner.state = "welcome"
            }
        }

        states: [
            State {
                name: "welcome"
                PropertyChanges { target: welcomePage; x: 0; opacity: 1 }
                PropertyChanges { target: scanningPage; x: page.width; opacity: 0 }
            },
            State {
                name: "scanning"
                PropertyChanges { target: welcomePage; x: -page.width; opacity: 0 }
                PropertyChanges { target: scanningPage; x: 0; opacity: 1 }
            }
        ]
        transitions: Transition {
            NumberAnimation { properties: "x,opacity"; duration: 400; easing.type: Easing.OutQuart }
        }
    }
}
