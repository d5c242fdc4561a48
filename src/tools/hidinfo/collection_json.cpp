#include "tools/hidinfo/collection_json.h"

#include <json/value.h>
#include <json/writer.h>

namespace kelno::tools {
namespace {

// Members are written in a fixed order (the order people read them in);
// jsoncpp would sort them.
std::string LengthsJson(const std::map<uint8_t, uint16_t>& lengths) {
    std::string text = "{";
    for (const auto& [id, length] : lengths) {
        if (text.size() > 1) text += ",";
        text += "\"" + std::to_string(id) + "\":" + std::to_string(length);
    }
    return text + "}";
}

std::string CollectionMembers(const hid::ReportCollection& collection) {
    std::string ids;
    for (const uint8_t id : collection.reportIds) {
        if (!ids.empty()) ids += ",";
        ids += std::to_string(id);
    }
    return "\"usage_page\":" + std::to_string(collection.usagePage) +
           ",\"usage\":" + std::to_string(collection.usage) + ",\"report_ids\":[" + ids +
           "],\"input_len\":" + LengthsJson(collection.inputLengths) +
           ",\"output_len\":" + LengthsJson(collection.outputLengths) +
           ",\"feature_len\":" + LengthsJson(collection.featureLengths);
}

}  // namespace

std::string CollectionJsonLine(const hid::ReportCollection& collection) {
    return "{" + CollectionMembers(collection) + "}";
}

std::string InterfaceJsonLine(const hid::InterfaceInfo& info) {
    return "{\"path\":" + Json::valueToQuotedString(info.path.c_str()) +
           ",\"vendor_id\":" + std::to_string(info.attributes.vendorId) +
           ",\"product_id\":" + std::to_string(info.attributes.productId) +
           ",\"version\":" + std::to_string(info.attributes.versionNumber) +
           ",\"interface\":" + std::to_string(info.interfaceNumber) +
           ",\"collection\":" + std::to_string(info.collectionNumber) + "," +
           CollectionMembers(info.collection) +
           ",\"accessible\":" + (info.accessible ? "true" : "false") + "}";
}

}  // namespace kelno::tools
