// Carries resinfo_fixture.rc; never run.
int main() {
    return 0;
}
