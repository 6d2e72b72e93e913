#pragma once

#include "data/value.h"

#include <QString>
#include <QStringList>

#include <vector>

class Recordset;

// One column of the current row of a recordset: its name and value. A Field is a light
// view into the recordset that made it and is valid while that recordset lives.
class Field
{
public:
    Field(const Recordset *recordset, int index) : m_recordset(recordset), m_index(index) {}

    QString Name() const;
    // The value in the current row; raises 3021 at end of file and 3704 on a closed recordset.
    ::Value Value() const;

private:
    const Recordset *m_recordset;
    int m_index;
};

// The Fields collection of a recordset, by position (0-based) or by name (case-insensitive).
// An unknown name or position raises RuntimeError 3265.
class Fields
{
public:
    explicit Fields(const Recordset *recordset) : m_recordset(recordset) {}

    int Count() const;
    Field Item(int index) const;
    Field Item(const QString &name) const;
    Field operator[](int index) const { return Item(index); }
    Field operator[](const QString &name) const { return Item(name); }
    Field operator[](const char *name) const { return Item(QString::fromUtf8(name)); }

private:
    const Recordset *m_recordset;
};
