#pragma once

// The registry repair engine: holds the rules and sections of the rule
// database, judges each rule against the registry of an offline Windows
// installation, fixes what a rule says is wrong, and backs up and restores
// the hive files. It reaches the registry only through CAppRegstry, with a
// SOFTWARE key handled together with its Wow6432Node mirror.
//
// Use: construct; SetHiveFileDriver(the Windows drive); LoadRuleDB(file);
// getItemState(i) scans item i, Repair(i) fixes what that scan found. Every
// fix that changes something writes the changed hives at once. No locking:
// one thread at a time.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hivemend/ISystemRepair.h"
#include "hivemend/RuleModel.h"
#include "hivemend/export.h"
#include "hivemend/recovery.h"

class CAppRegstry;
struct _APP_REG_HANDLE;

class HIVEMEND_API CRegFix : public ISystemRepair {
public:
    CRegFix();
    CRegFix(const CRegFix&) = delete;
    CRegFix& operator=(const CRegFix&) = delete;

    unsigned getCount() override;
    // Throws std::out_of_range for an index outside the section list.
    int getItemInfo(unsigned index, char* buf, unsigned size) override;
    // 1 when the section has problems, and also when it could not be judged
    // in every hive it covers (a hive that cannot be opened, a user hive
    // missing, a key path no hive serves): GetItemError then says why.
    // Throws as getItemInfo.
    int getItemState(unsigned index) override;
    // 1 when every rule of the section that needed a fix was fixed and saved
    // (and for a section without rules); 0 when one failed, also when the
    // section could not be judged (GetItemError says why). Nothing is
    // changed in a hive that cannot be written or is damaged. Throws as
    // getItemInfo.
    int Repair(unsigned index) override;
    int Restore(unsigned index) override;
    // Makes no backup at all when one of them cannot be written
    // (LastFailure says why).
    int BakHiveFile() override;
    // Restores nothing when one of the hives cannot be written (LastFailure
    // says why). After the copies the open hives are dropped, so that what
    // follows reads the restored files and no later save writes over them.
    int RestoreHiveFile() override;
    bool IsValueExist(const char* keyPath, const char* valueName) override;
    bool WriteValueStr(const char* keyPath, const char* valueName, const char* text) override;

    // Closes every hive without saving (each fix has saved its changes).
    virtual ~CRegFix();

    // Why the last getItemState or Repair of the item failed or could not
    // judge it, one line naming the hive file and the cause (a file that
    // cannot be opened, a damaged hive, a drive that cannot be written, a
    // failed save); "" when nothing failed. Throws as getItemInfo.
    const char* GetItemError(unsigned index);
    // Why the hives that repairing the items found with problems would
    // rewrite cannot be written (a read-only drive, an immutable file); ""
    // when they can. Ask after scanning, before repairing, so that nothing
    // is left half done.
    std::string WriteProblem();
    // Why the last BakHiveFile or RestoreHiveFile held back; "" when none.
    const char* LastFailure() const;

    // The mount folder of the Windows drive. Throws std::runtime_error when
    // its SOFTWARE hive cannot be opened. Must come before any registry
    // operation; a later call starts over on the new drive.
    void SetHiveFileDriver(const char* root);

    // Appends the rules and sections of the rule database at `path`. Every
    // failure is thrown as an exception derived from std::exception whose
    // text says what and where; the caller then drops the whole object.
    void LoadRuleDB(const char* path);
    void ParseRule2(const char* path);

    // Registry bytes of value text by type name, into `out`: "REG_SZ" UTF-8
    // text as UTF-16LE with a terminator (at most `outSize` bytes in all);
    // "REG_EXPAND_SZ" and "REG_BINARY" hex byte lists; "REG_DWORD" a signed
    // decimal number (4 bytes, little-endian; 0 for text that is no number).
    // Returns the bytes written, 0 for any other type name.
    static int ConvertData(const char* type, const char* text, char* out, int outSize);
    // Parses one name=data line of a registry text file ("dword:", "hex:"
    // or a quoted string) into `out`, whose data has room for `size` bytes.
    // 0 when the part from "=" on is longer than `size`, its length then in
    // `*needed`; else 1.
    static unsigned ParseLine(char* line, _VNAME_DATA_* out, unsigned size, unsigned* needed);
    // Writes every rule's key path, in rule order, with nothing between
    // them; the result of closing the file (0), -1 when it cannot be opened.
    int SaveRuleDB(const char* path);
    // Releases the value records of one rule / of every rule and empties
    // the rule list (the section list stays).
    void FreeRuleData(unsigned rule);
    void Close();

    // Judges one rule (global index): 1 when something is to be fixed.
    int ScanItem(unsigned rule);
    // Fixes what the rule's last scan found: 1 when done (or nothing to do).
    int Fixitem(unsigned rule);
    // Scans every rule in order; the rule count.
    unsigned ScanReg();

    // Every hive the engine has opened so far, with what opening did with
    // its transaction logs (a dirty hive is recovered from them in memory).
    std::vector<std::pair<std::string, HiveRecovery>> HiveLogStates();

private:
    // CAppRegstry::OpenKey on the installation; null while none is set, so
    // that no path ever reaches the folders of the machine we run on.
    _APP_REG_HANDLE* OpenKey(const char* path, int create);
    // Writes every changed hive; false when a save failed (why in `*why`),
    // and then the hives are opened anew from their files.
    bool SaveChanges(std::string* why);
    // Drops the open hives with their images; later operations read the
    // files again. False when the installation cannot be opened anew.
    bool ReopenHives();

    // The item's failure from those of its rules.
    void SetItemError(unsigned index);

    std::unique_ptr<CAppRegstry> registry;
    std::vector<_RULE_> rules;
    std::vector<_SECTION> sections;
    std::vector<std::string> ruleFailures;  // by rule: why its last scan or fix failed
    std::vector<std::string> itemErrors;    // by section
    std::string lastFailure;
    std::string root;  // the Windows drive, empty until set
};
