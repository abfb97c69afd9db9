#pragma once

#include "platform/DataSet.h"

#include <QByteArray>
#include <QString>

#include <nlohmann/json_fwd.hpp>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

// Binary form of a dataset (docs/dataset-stream.md) and the JSON dataset
// list that carries several of them, each as Base64 of a zlib stream.

class DataSetStreamError : public std::runtime_error {
public:
    explicit DataSetStreamError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Largest inflated stream a dataset list may carry.
inline constexpr qint64 kMaxDataSetStreamBytes = qint64(1) << 30;

// The dataset must be open; its posted rows are written.
QByteArray encodeDataSet(const DataSet &dataSet);

// Replaces the structure and rows of `into` and leaves it open at the first
// row. `into` is left untouched when the stream is rejected.
void decodeDataSet(const QByteArray &stream, DataSet &into);

using NamedDataSets = std::vector<std::pair<QString, std::unique_ptr<DataSet>>>;

// A JSON object with one member per dataset, in the given order; names may
// repeat (several unnamed datasets), so readers must keep every pair.
QByteArray encodeDataSetList(const std::vector<std::pair<QString, const DataSet *>> &dataSets);

NamedDataSets decodeDataSetList(const QByteArray &json);
NamedDataSets decodeDataSetList(const nlohmann::ordered_json &object);
