#pragma once

namespace tarvolin::test {

class FakeMakerSite;

// The maker's site that the program of this test binary is pointed at, for the whole run.
FakeMakerSite& SitoProduttore();

} // namespace tarvolin::test
