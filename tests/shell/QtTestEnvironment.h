#pragma once

namespace nimbo::test {

// Destroys the QApplication that every test of the executable runs in, as
// main's own goes before the process exits; for a test that ends its process
// itself. Nothing Qt may run afterwards.
void DestroyTestApplication();

}  // namespace nimbo::test
