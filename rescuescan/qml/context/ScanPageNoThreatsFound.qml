import QtQuick

// The end of a scan that found no threat; when files could not be checked
// (or the service not be reached) it says so, for that is no clean result.
ScanResult {
    headline: "Scan complete, no threats found"
    note: notChecked(engine.serverUnreachable, engine.notCheckedCount)

    function notChecked(unreachable, count) {
        if (unreachable)
            return qsTr("The cloud server could not be reached: no file was checked.")
        if (count === 1)
            return qsTr("1 file could not be checked.")
        if (count > 1)
            return qsTr("%1 files could not be checked.").arg(count)
        return ""
    }
}
