#include "AnswerVerdict.h"

#include "AnswerJson.h"
#include "Text8Bit.h"

#include <boost/format.hpp>
#include <boost/property_tree/ptree.hpp>

#include <exception>

namespace Cloud {

QPair<QString, FileResult> verdict_from_answer(const std::string& answer)
{
    namespace pt = boost::property_tree;

    QPair<QString, FileResult> record(QString(), FILE_NOT_FOUND);

    const pt::ptree tree = read_answer_json(answer);

    // get<int> accepts exactly a decimal that fits 32 bits, optionally signed,
    // with only white space around it, whether the JSON held a number or a
    // string; anything else throws and leaves the verdict undecided.
    try {
        if (tree.get<std::string>("source") == "queue") {
            record.second = FILE_WAIT_FOR_SCAN;
            return record;
        }
        const FileResult verdict = tree.get<int>("level") < 2 ? FILE_SAFETY : FILE_DANGEROUS;
        QString name = from8bit(tree.get<std::string>("name"));
        if (name.isEmpty())
            name = from8bit((boost::format("Cloud.AVM.%d") % tree.get<int>("id")).str());
        record.first = name;
        record.second = verdict;
    } catch (const std::exception&) {
        record.first.clear();
        record.second = FILE_NOT_FOUND;
    }
    return record;
}

} // namespace Cloud
