#pragma once
// Assembles an engineering value from a mantissa field, its attached exponent
// field and its sign label: what the operator typed, in the device's form.
// The main window's grid and the script editor's "New Value" share it.
#include "ValEdit.h"
#include "model/VexoClasses.h"

// An attached exponent field whose text is empty or "." is first set to "0".
// The mantissa is the field's text with the full stop, cut to five characters
// and blank-filled on the right; the sign is "-" when a sign label shows "-",
// else "+"; the exponent is "+0" unless an attached exponent field's text
// begins with "3" or "6", which gives that digit, negative when no sign label
// is in use (times are typed in ms or us, amplitudes have no exponent field).
void ReadValueFromEdits(TValEdit* field, TVexoValue& value);
