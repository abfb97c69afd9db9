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
// Most cells (fields plus rows x fields) one stream may hold: every cell
// costs memory whatever its size on the wire.
inline constexpr qint64 kMaxDataSetCells = qint64(1) << 25;

// What a whole dataset list may claim once inflated and decoded, all its
// datasets together: a small answer must not grow into gigabytes.
struct DataSetListLimits {
    qint64 maxInflatedBytes = kMaxDataSetStreamBytes;
    qint64 maxCells = kMaxDataSetCells;
};

// A dataset or list past one of those limits; from decodeDataSetList the
// message is meant for the user.
class DataSetTooLarge : public DataSetStreamError {
public:
    using DataSetStreamError::DataSetStreamError;
};

// The dataset must be open; its posted rows are written.
QByteArray encodeDataSet(const DataSet &dataSet);

// Replaces the structure and rows of `into` and leaves it open at the first
// row. `into` is left untouched when the stream is rejected.
void decodeDataSet(const QByteArray &stream, DataSet &into);
// The same within a budget of cells (DataSetTooLarge past it).
void decodeDataSet(const QByteArray &stream, DataSet &into, qint64 maxCells);

using NamedDataSets = std::vector<std::pair<QString, std::unique_ptr<DataSet>>>;

// A JSON object with one member per dataset, in the given order; names may
// repeat (several unnamed datasets), so readers must keep every pair.
QByteArray encodeDataSetList(const std::vector<std::pair<QString, const DataSet *>> &dataSets);

NamedDataSets decodeDataSetList(const QByteArray &json, const DataSetListLimits &limits = {});
NamedDataSets decodeDataSetList(const nlohmann::ordered_json &object, const DataSetListLimits &limits = {});
