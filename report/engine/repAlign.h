#pragma once
// Horizontal and vertical alignment of text in the report model (memos and metafile text).
enum TrepHAlign { haLeft, haRight, haCenter, haBlock };
enum TrepVAlign { vaTop, vaBottom, vaCenter };
