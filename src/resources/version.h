// The product's version and copyright line: one place for the About box, the
// version resources of both programs and the download's name (scripts/package
// reads VELLORA_VERSION_TEXT from here). Plain #defines only: the resource
// compiler reads this file too.
#pragma once

#define VELLORA_PRODUCT_NAME "Vellora"
#define VELLORA_VERSION_TEXT "1.05"
#define VELLORA_VERSION_NUMBERS 1, 5, 0, 0
#define VELLORA_COPYRIGHT "Copyright (C) 2026 the Vellora team"
