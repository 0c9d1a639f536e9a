// The 16-byte key that SecurityID values are enciphered with. The installer
// and the packaging tool must agree on it: every shipped INF file carries a
// value made with this key.
#ifndef QV_CATALOG_CATALOGUEKEY_H
#define QV_CATALOG_CATALOGUEKEY_H

// Writes the key into `key`. It is computed afresh on every call, so that it
// never sits in the program as one plain array; callers should not keep it.
void AssembleCatalogueKey(unsigned char key[16]);

#endif
