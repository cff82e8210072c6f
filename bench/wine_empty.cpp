// An empty Windows program: what starting any program under Wine costs (windows_bench.sh).
int main() {
    return 0;
}
