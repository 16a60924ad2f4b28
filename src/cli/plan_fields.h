#pragma once
// One item of a JSON report, with the fields that make a scan report a plan:
// a stable id and what the scan saw of the item (identity, size and time of a
// file; identity of a directory; type and data digest of a registry value;
// a duplicate copy's group and kept copy). A planned clean compares these
// fields with a fresh scan's (cli/plan.h). docs/json.md lists them.

#include "engine/records.h"
#include "engine/sha256.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

// Keeps the keys in the order docs/json.md lists them.
using Json = nlohmann::ordered_json;

// Paths and names come from the 8-bit Windows calls, in the ANSI code page,
// which is not UTF-8 on every system; the document is UTF-8 whatever it is.
std::string utf8_from_ansi(const std::string& text);

// The module id of an item of a scan, from its "[module_id] text" description.
std::string item_module(const CleanItem& item);

// "2025-10-26T19:57:20.1234567Z" from 100 ns ticks since 1601 (UTC).
std::string iso_utc_time(std::uint64_t ticks);

class ItemFields {
public:
    ItemFields() : hasher_(Sha256Hasher::create()) {}

    // The item's fields in report order; fields the scan did not record are null.
    Json operator()(const CleanItem& item) const;
    // Lowercase hex SHA-256 of `data`; null when the digest cannot be made.
    Json digest(std::string_view data) const;

private:
    std::optional<Sha256Hasher> hasher_;
};
