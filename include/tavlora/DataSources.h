#pragma once
// What a C++ program hands to the classes: recordsets (rows built in memory, an SQLite query, or
// a query through an ODBC driver),
// XML documents and their node lists, and the runtime's value conversions (Variant to text).
#include "com/Conversions.h"
#include "com/Variant.h"
#include "data/MemoryRecordset.h"
#include "data/OdbcRecordset.h"
#include "data/SqliteRecordset.h"
#include "data/XmlDocument.h"
#include "data/XmlNodeList.h"
