// Testbench for the example design: both clocks, a reset, changing input data and output
// enable. simulate.sh runs it with Icarus Verilog into activity.vcd, where the design sits
// under the scope tb.u_dut.
`timescale 1ns / 1ps
module tb;
    reg clk_a = 0;
    reg clk_b = 0;
    reg rst = 1;
    reg [7:0] din = 8'h00;
    reg oe = 0;
    wire [3:0] led;
    wire [7:0] bus;
    wire sda;

    top u_dut (.clk_a(clk_a), .clk_b(clk_b), .rst(rst), .din(din), .oe(oe),
               .led(led), .bus(bus), .sda(sda));

    always #5 clk_a = ~clk_a;   // 100 MHz
    always #6.25 clk_b = ~clk_b; // 80 MHz

    // A fixed pseudo-random sequence, so that every run writes the same file.
    always @(posedge clk_a)
        din <= {din[6:0], din[7] ^ din[5] ^ din[4] ^ din[3] ^ rst};

    initial begin
        $dumpfile("activity.vcd");
        $dumpvars(0, tb.u_dut);
        #40 rst = 0;
        #500 oe = 1;
        #1460 $finish;
    end
endmodule
