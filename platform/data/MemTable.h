#pragma once
// A memory table that is filled at run time, and the batch-move components that fill it from a
// delimited text file. Only their places exist so far; an owner can hold them as members.

namespace data {

class TFDMemTable {};
class TFDBatchMove {};
class TFDBatchMoveTextReader {};
class TFDBatchMoveDataSetWriter {};

} // namespace data
