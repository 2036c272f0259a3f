/* The floor: a Win32 program that does nothing. */
int main(void) {
    return 0;
}
