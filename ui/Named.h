#pragma once
// Gives a control or a menu entry its object name (the name of the member
// that keeps it, or of its place) as it is made; tests find it by that name.
#include <QString>

template <typename T>
T* Named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}
